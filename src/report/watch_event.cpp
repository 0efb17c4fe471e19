#include "report/watch_event.h"

#include <sstream>

#include "report/json_dialect.h"
#include "report/size_text.h"
#include "report/snapshot_text.h"

namespace corvane::report {

std::string removeCommand(const WatchEvent& event, std::size_t* review) {
  std::size_t movable = 0, toReview = 0;
  for (const auto& f : event.departure.leftovers.findings) {
    if (!f.isSelectable()) continue;
    ++movable;
    if (f.confidence == FindingConfidence::review) ++toReview;
  }
  if (review) *review = toReview;
  if (movable == 0) return "";
  return "corvane orphans remove " + event.departure.app.bundleIdentifier +
         (movable == toReview ? " --select all" : "") + event.layoutArguments;
}

void printWatchEvent(std::ostream& out, const WatchEvent& event, const Layout& shown) {
  const AppDeparture& d = event.departure;
  out << d.app.localizedName.value_or(d.app.name) << " (" << d.app.bundleIdentifier << ") left " << d.app.path << "\n";
  if (d.bundleNowAt)
    out << "  Its bundle is in the Trash: " << displayPath(Url::fileURL(*d.bundleNowAt), shown) << "\n";
  else
    out << "  Its bundle is in no Applications folder and no Trash: deleted, or moved elsewhere.\n";
  const std::size_t count = d.leftovers.findings.size();
  if (count == 0) {
    out << "  It left nothing behind that Corvane can find.\n";
    return;
  }
  out << "  It left " << count << (count == 1 ? " item" : " items") << " behind (" << formatTotal(event.total)
      << "):\n";
  std::ostringstream listing;
  printFindingsByTier(listing, d.leftovers.findings, shown, true, &event.sizes);
  std::istringstream lines(listing.str());
  for (std::string line; std::getline(lines, line);) out << (line.empty() ? "" : "    ") << line << "\n";
  std::size_t review = 0;
  const std::string command = removeCommand(event, &review);
  if (command.empty()) {
    out << "  None of them can be moved to the Trash (in use, or managed by macOS).\n";
    return;
  }
  out << "  To move them to the Trash: " << command << "\n";
  if (review > 0 && command.find("--select all") == std::string::npos)
    out << "  (add --select all to include the " << review << " to review)\n";
}

std::string watchEventJSON(const WatchEvent& event, const Layout& layout) {
  const AppDeparture& d = event.departure;
  json::Json app = json::Json::object();
  app["bundleIdentifier"] = d.app.bundleIdentifier;
  app["name"] = d.app.localizedName.value_or(d.app.name);
  app["path"] = layout.hostPath(d.app.path);
  app["version"] = d.app.version ? json::Json(*d.app.version) : json::Json(nullptr);
  json::Json j = json::Json::object();
  j["event"] = "appRemoved";
  j["app"] = std::move(app);
  j["trashedPath"] = d.bundleNowAt ? json::Json(*d.bundleNowAt) : json::Json(nullptr);
  j["leftovers"] = findingsJSON(d.leftovers.findings, event.sizes);
  j["allocatedBytes"] = event.total.allocatedBytes;
  j["atLeast"] = event.total.atLeast;
  const std::string command = removeCommand(event);
  j["removeCommand"] = command.empty() ? json::Json(nullptr) : json::Json(command);
  return inDialect(std::move(j)).dump();
}

}  // namespace corvane::report
