// corvane background-items: the login items, launch agents, daemons and background programs that apps
// registered with the system, as its background-items database lists them.

#include <ostream>

#include "cli/commands.h"
#include "report/json_dialect.h"
#include "cli/snapshot_text.h"
#include "cli/orphan_state.h"
#include "corvane/discovery/background_items_store.h"
#include "corvane/discovery/login_scope_identity.h"
#include "model/json_value.h"
#include "platform/directory.h"

namespace corvane::cli {

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


json::Json encode(const BackgroundItemsLoadResult& result) {
  json::Json records = json::Json::array();
  for (const auto& r : result.records) records.push_back(encodeRecord(r));
  json::Json j = json::Json::object();
  j["records"] = std::move(records);
  j["status"] = encodeStoreStatus(result.status);
  j["scopesSeen"] = result.scopesSeen;
  return j;
}

std::string plural(int count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string statusText(const BackgroundItemStoreStatus& status) {
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

void printText(std::ostream& out, const std::string& store, const BackgroundItemsLoadResult& result) {
  out << "Background items in " << store << "\n";
  out << "Status: " << statusText(result.status) << "\n";
  out << "Scopes seen: ";
  if (result.scopesSeen.empty()) out << "none";
  for (std::size_t i = 0; i < result.scopesSeen.size(); ++i) out << (i ? ", " : "") << result.scopesSeen[i];
  out << "\n";
  if (result.records.empty()) return;
  out << "\n";
  // Sub-items are indented below the item they belong to.
  std::vector<std::vector<std::string>> rows = {{"NAME", "IDENTIFIER", "TYPE", "STATE", "SCOPE", "PATH"}};
  for (const auto& r : result.records) addRows(rows, r, 0);
  printTable(out, rows);
}

int backgroundItems(const ParsedArguments& args, Context& context) {
  std::optional<std::string> scope = LoginScopeIdentity::currentUserScopeUUID(context.layout);
  if (auto given = args.value("--scope")) {
    if (!BackgroundItemsStore::matchesUUIDPattern(*given)) {
      context.err << "corvane background-items: --scope needs a scope identifier such as "
                     "0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9, not \"" << *given << "\"\n";
      return kExitUsage;
    }
    scope = *given;
  }
  const std::string store = args.value("--store").value_or(context.layout.backgroundItems());
  if (args.value("--store") && !platform::itemExists(store)) {
    context.err << "corvane background-items: no store at " << store << "\n";
    return kExitFailure;
  }
  BackgroundItemsLoadResult result = BackgroundItemsStore::loadDetailed(store, scope);
  if (args.has("--json")) {
    report::printJSON(context.out, encode(result));
  } else {
    printText(context.out, store, result);
  }
  return kExitOK;
}

}  // namespace

Command backgroundItemsCommand() {
  Command c;
  c.name = "background-items";
  c.usage = "background-items [--json] [--store DIR] [--scope UUID]";
  c.summary = "Lists the login items, launch agents and daemons in the system's background-items database.";
  c.options.flags = {"--json"};
  c.options.values = {"--store", "--scope"};
  c.options.paths = {"--store"};
  c.options.layout = true;
  c.run = backgroundItems;
  c.optionDocs = {
      {"--json", "", "prints the records and the store's status as JSON; see docs/json.md", {}},
      {"--store", "DIR",
       "reads the database in DIR (default: the layout's /private/var/db/com.apple.backgroundtaskmanagement); a DIR "
       "that does not exist is an error",
       {}},
      {"--scope", "UUID", "lists the items of this login scope (default: the current user's)", {}},
  };
  return c;
}

}  // namespace corvane::cli
