#include "report/demo_text.h"

#include <map>
#include <nlohmann/json.hpp>
#include <ostream>

namespace corvane::report {

std::string demoIntro(std::size_t appCount, const std::string& folder, bool kept) {
  return "A sample Mac with " + std::to_string(appCount) + " apps in " + folder + "; " +
         (kept ? "add --root " + folder + "/root --home " + folder + "/home to any command to look at it.\n"
               : std::string("it is removed at the end (corvane demo --at DIR keeps it).\n"));
}

void printOrphanGroups(std::ostream& out, const std::string& printed) {
  const nlohmann::json doc = nlohmann::json::parse(printed, nullptr, /*allow_exceptions=*/false);
  if (!doc.is_object() || !doc.contains("groups") || !doc["groups"].is_array()) return;
  for (const auto& group : doc["groups"]) {
    if (!group.is_object()) continue;
    std::map<std::string, int> tiers;
    for (const auto& f : group.value("findings", nlohmann::json::array()))
      if (f.is_object()) ++tiers[f.value("confidence", "")];
    std::string counts;
    for (const auto& [tier, n] : tiers) counts += (counts.empty() ? "" : ", ") + std::to_string(n) + " " + tier;
    const std::size_t n = group.value("findings", nlohmann::json::array()).size();
    out << "  " << group.value("suspectedBundleIdentifier", "") << ": " << n << (n == 1 ? " item" : " items") << " ("
        << counts << ")\n";
  }
}

}  // namespace corvane::report
