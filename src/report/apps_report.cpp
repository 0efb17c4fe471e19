#include "report/apps_report.h"

#include <ostream>

#include "corvane/analysis/finding_ids.h"
#include "report/text_table.h"

namespace corvane::report {

void printApps(std::ostream& out, const std::vector<InstalledApplication>& apps, const Layout& shown) {
  if (apps.empty()) {
    out << "No applications found.\n";
    return;
  }
  std::vector<std::vector<std::string>> rows = {{"NAME", "VERSION", "BUNDLE IDENTIFIER", "SYSTEM", "PATH"}};
  for (const auto& app : apps)
    rows.push_back({app.name.empty() ? "(no name)" : app.name, app.version.value_or("-"),
                    app.bundleIdentifier.value_or("-"), app.isSystemApplication ? "yes" : "no",
                    FindingIDs::macStylePath(app.url.path(), shown)});
  printTable(out, rows);
  out << apps.size() << (apps.size() == 1 ? " application\n" : " applications\n");
}

void printAppNames(std::ostream& out, const std::vector<InstalledApplication>& apps) {
  for (const auto& app : apps)
    if (!app.name.empty()) out << app.name << "\n";
}

}  // namespace corvane::report
