// corvane doctor: what Corvane can and cannot read here, the tools it found, and the files it keeps.

#include <ostream>

#include "cli/commands.h"
#include "corvane/uninstall/doctor_check.h"
#include "report/doctor_report.h"
#include "report/json_dialect.h"

namespace corvane::cli {

namespace {

int doctor(const ParsedArguments& args, Context& c) {
  const DoctorCheck check = checkSetup(c.layout);
  if (args.has("--json"))
    report::printJSON(c.out, report::doctorJSON(check, c.layout));
  else
    report::printDoctor(c.out, check, c.layout, c.shown());
  return kExitOK;
}

}  // namespace

Command doctorCommand() {
  Command c;
  c.name = "doctor";
  c.usage = "doctor [--json]";
  c.summary = "Says what Corvane can and cannot read here, the tools it found and the health of the files it keeps.";
  c.options.flags = {"--json"};
  c.options.layout = true;
  c.run = doctor;
  c.optionDocs = {{"--json", "", "prints the locations, tools and files as JSON; see docs/json.md", {}}};
  return c;
}

}  // namespace corvane::cli
