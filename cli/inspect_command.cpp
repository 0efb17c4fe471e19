// corvane inspect APP: what an app bundle says about itself: its code signature, the components it
// carries inside, and the installer receipts that belong to it.

#include <filesystem>
#include <ostream>

#include "cli/commands.h"
#include "corvane/discovery/app_inspection.h"
#include "report/inspection_report.h"
#include "report/json_dialect.h"

namespace corvane::cli {

namespace {

int inspect(const ParsedArguments& args, Context& context) {
  const std::string& path = args.positional[0];
  std::error_code ec;
  if (!std::filesystem::is_directory(path, ec)) {
    context.err << "corvane inspect: no application bundle at " << args.positional[0] << "\n";
    return kExitFailure;
  }
  const AppInspection inspection = inspectApp(context.layout, Url::fileURL(path).standardized());
  if (args.has("--json"))
    report::printJSON(context.out, report::inspectionJSON(inspection));
  else
    report::printInspection(context.out, inspection, context.shown());
  return kExitOK;
}

}  // namespace

Command inspectCommand() {
  Command c;
  c.name = "inspect";
  c.usage = "inspect APP [--json]";
  c.summary = "Shows an app bundle's code signature, the components inside it and its installer receipts.";
  c.options.flags = {"--json"};
  c.options.minPositional = 1;
  c.options.maxPositional = 1;
  c.options.positionalPaths = true;
  c.options.appArgument = true;
  c.options.layout = true;
  c.run = inspect;
  c.operand = Operand::app;
  c.optionDocs = {{"--json", "", "prints the bundle, its signature, components and receipts as JSON; see docs/json.md", {}}};
  return c;
}

}  // namespace corvane::cli
