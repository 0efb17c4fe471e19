#include "report/background_items_report.h"

namespace corvane::report {

namespace {

json::Json encodeRecord(const BackgroundItemRecord& r) {
  json::Json j = json::Json::object();
  auto optional = [&j](const char* key, const std::optional<std::string>& value) {
    if (value) j[key] = *value;
  };
  optional("scopeUUID", r.scopeUUID);
  j["scopeKind"] = std::string(stringValue(r.scopeKind));
  optional("identifier", r.identifier);
  optional("label", r.label);
  optional("name", r.name);
  optional("developerName", r.developerName);
  optional("teamIdentifier", r.teamIdentifier);
  optional("bundleIdentifier", r.bundleIdentifier);
  j["associatedBundleIdentifiers"] = r.associatedBundleIdentifiers;
  optional("executablePath", r.executablePath);
  optional("registeredURLPath", r.registeredURLPath);
  optional("container", r.container);
  j["type"] = r.type;
  j["disposition"] = r.disposition;
  json::Json subItems = json::Json::array();
  for (const auto& sub : r.subItems) subItems.push_back(encodeRecord(sub));
  j["subItems"] = std::move(subItems);
  return j;
}



std::string plural(int count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

std::string backgroundItemStatusText(const BackgroundItemStoreStatus& status) {
  using Kind = BackgroundItemStoreStatus::Kind;
  const std::string version = "(version " + std::to_string(status.version);
  switch (status.kind) {
    case Kind::parsed: return "read " + version + ", " + plural(status.filesParsed, "file", "files") + ")";
    case Kind::degraded:
      return "partly read " + version + ", " + plural(status.filesParsed, "file", "files") + " read, " +
             std::to_string(status.filesSkipped) + " skipped" + (status.truncated ? ", cut short by a limit)" : ")");
    case Kind::unreadableShape: {
      std::string text = "no file could be read " + version + "):";
      for (const auto& f : status.files) text += " " + f;
      return text;
    }
    case Kind::directoryEntryLimitExceeded:
      return "not read: the folder holds more than " + std::to_string(BackgroundItemsStore::maxDirectoryEntries) +
             " entries";
    case Kind::storeMissing: break;
  }
  return "no store found";
}

namespace {

std::string typeText(const BackgroundItemRecord& r) {
  static const std::pair<std::int64_t, const char*> kTypes[] = {
      {BackgroundItemBits::userItem, "user item"}, {BackgroundItemBits::app, "app"},
      {BackgroundItemBits::loginItem, "login item"}, {BackgroundItemBits::agent, "agent"},
      {BackgroundItemBits::daemon, "daemon"},      {BackgroundItemBits::developer, "developer"}};
  std::string text;
  std::int64_t rest = r.typeCategory();
  for (const auto& [bit, name] : kTypes) {
    if (!(rest & bit)) continue;
    text += (text.empty() ? "" : "+") + std::string(name);
    rest &= ~bit;
  }
  if (rest != 0 || text.empty()) text += (text.empty() ? "" : "+") + std::string("type ") + std::to_string(rest);
  return text;
}

std::string stateText(const BackgroundItemRecord& r) {
  std::string text = r.isEnabled() ? "enabled" : "disabled";
  if (r.isAllowed()) text += ", allowed";
  if (r.isHidden()) text += ", hidden";
  if (r.isNotified()) text += ", notified";
  return text;
}

void addRows(std::vector<std::vector<std::string>>& rows, const BackgroundItemRecord& r, std::size_t depth) {
  rows.push_back({std::string(2 * depth, ' ') + r.name.value_or(r.identifier.value_or("(unnamed)")),
                  r.identifier.value_or("-"), typeText(r), stateText(r), std::string(stringValue(r.scopeKind)),
                  r.registeredURLPath.value_or("-")});
  for (const auto& sub : r.subItems) addRows(rows, sub, depth + 1);
}

}  // namespace

std::string backgroundItemsHeading(const std::string& store, const BackgroundItemsLoadResult& result) {
  std::string text = "Background items in " + store + "\nStatus: " + backgroundItemStatusText(result.status) +
                     "\nScopes seen: ";
  if (result.scopesSeen.empty()) text += "none";
  for (std::size_t i = 0; i < result.scopesSeen.size(); ++i) text += (i ? ", " : "") + result.scopesSeen[i];
  return text + "\n";
}

std::vector<std::vector<std::string>> backgroundItemRows(const BackgroundItemsLoadResult& result) {
  std::vector<std::vector<std::string>> rows = {{"NAME", "IDENTIFIER", "TYPE", "STATE", "SCOPE", "PATH"}};
  for (const auto& r : result.records) addRows(rows, r, 0);
  return rows;
}

json::Json backgroundItemsJSON(const BackgroundItemsLoadResult& result, json::Json status) {
  json::Json records = json::Json::array();
  for (const auto& r : result.records) records.push_back(encodeRecord(r));
  json::Json j = json::Json::object();
  j["records"] = std::move(records);
  j["status"] = std::move(status);
  j["scopesSeen"] = result.scopesSeen;
  return j;
}

}  // namespace corvane::report
