#include "sample_mac/launchctl_stand_in.h"

#include <filesystem>
#include <sstream>

#include "sample_mac/sample_mac.h"

namespace corvane::testing {

LaunchctlStandIn LaunchctlStandIn::write(const std::string& folder, const std::vector<std::string>& loaded) {
  const std::string state = folder + "/launchd";
  SampleMac::makeFolder(state);
  for (const auto& label : loaded) SampleMac::writeFile(state + "/" + label, "");
  std::string quoted = "'";
  for (char ch : state) quoted += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
  quoted += "'";
  const std::string script = folder + "/launchctl";
  SampleMac::writeFile(script,
                       "#!/bin/sh\n"
                       "state=" + quoted + "\n"
                       "echo \"launchctl $*\" >> \"$state/calls.log\"\n"
                       "case \"$1\" in\n"
                       "  print) [ -e \"$state/${2##*/}\" ] && exit 0; echo \"Could not find service\"; exit 113 ;;\n"
                       "  bootout) rm -f \"$state/${2##*/}\" ;;\n"
                       "  bootstrap) name=${3##*/}; touch \"$state/${name%.plist}\" ;;\n"
                       "esac\n"
                       "exit 0\n");
  namespace fs = std::filesystem;
  fs::permissions(script, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
  return {script, state + "/calls.log"};
}

std::vector<std::string> LaunchctlStandIn::calls(std::size_t from) const {
  std::istringstream lines(SampleMac::readFile(callsLog));
  std::vector<std::string> result;
  std::string line;
  for (std::size_t n = 0; std::getline(lines, line); ++n)
    if (n >= from) result.push_back(line);
  return result;
}

}  // namespace corvane::testing
