#include "report/doctor_report.h"

#include <ostream>

#include "corvane/analysis/finding_ids.h"

namespace corvane::report {

namespace {

std::string shownPath(const std::string& path, const Layout& shown) { return FindingIDs::macStylePath(path, shown); }

std::string padded(std::string text, std::size_t width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
  return text;
}

}  // namespace

json::Json doctorJSON(const DoctorCheck& check, const Layout& layout) {
  json::Json doc = json::Json::object();
  doc["root"] = layout.root;
  doc["home"] = layout.home;
  doc["locations"] = json::Json::array();
  for (const auto& l : check.locations) doc["locations"].push_back({{"path", l.path}, {"access", accessText(l.access)}});
  doc["tools"] = json::Json::array();
  for (const auto& tool : check.tools)
    doc["tools"].push_back({{"name", tool.name}, {"path", tool.path ? json::Json(*tool.path) : json::Json()}});
  doc["stateFiles"] = json::Json::array();
  for (const auto& f : check.stateFiles) doc["stateFiles"].push_back({{"name", f.name}, {"path", f.path}, {"health", f.health}});
  return doc;
}

void printDoctor(std::ostream& out, const DoctorCheck& check, const Layout& layout, const Layout& shown) {
  const std::size_t denied = check.count(Access::denied), missing = check.count(Access::missing);
  out << "Mac: root " << layout.root << ", home " << layout.home << "\n\nSearched locations ("
      << check.locations.size() - denied - missing << " readable, " << missing << " missing, " << denied << " denied)\n";
  for (const auto& l : check.locations) out << "  " << padded(accessText(l.access), 10) << shownPath(l.path, shown) << "\n";
  if (denied > 0 && check.privacyHint) out << *check.privacyHint << "\n";
  out << "\nTools\n";
  for (const auto& tool : check.tools)
    out << "  " << padded(tool.name, 11) << (tool.path ? "found at " + *tool.path : "not found: " + tool.without) << "\n";
  out << "\nFiles Corvane keeps\n";
  for (const auto& f : check.stateFiles) out << "  " << padded(f.name, 14) << shownPath(f.path, shown) << ": " << f.health << "\n";
}

}  // namespace corvane::report
