#include "sample_mac/stale_records.h"

#include <cstdio>
#include <set>
#include <utility>
#include <vector>

#include "corvane/discovery/background_items_store.h"
#include "corvane/formats/property_list.h"
#include "platform/format_files.h"
#include "sample_mac/background_items_builder.h"
#include "sample_mac/receipts_builder.h"
#include "sample_mac/system_extensions_builder.h"

namespace corvane::testing {

namespace {

constexpr std::int64_t kLegacy = 0x10000;
constexpr std::int64_t kEnabled = 0x1, kAllowed = 0x2, kHidden = 0x4, kNotified = 0x8;

void addReceipts(const SampleMac& mac) {
  addReceipt(mac, kStaleReceiptPackage, "1.8", "/",
             {"Applications/Driftwood Sync.app", "Applications/Driftwood Sync.app/Contents"});
  ReceiptFiles helper = addReceipt(mac, kStaleReceiptPlistOnly, "1.8", "/Applications",
                                   {"Driftwood Sync.app/Contents/Library/LoginItems/Driftwood Helper.app"});
  std::remove(helper.bom.c_str());
  addReceipt(mac, kInstalledAppReceipt, "5.0", "/Applications/Northwind",
             {"Northwind Writer.app", "Northwind Writer.app/Contents"});
}

void addExtension(const SampleMac& mac) {
  std::vector<PropertyList> entries;
  const std::string database = mac.system("/Library/SystemExtensions/db.plist");
  if (auto existing = plist::readFile(database); existing.has_value()) {
    if (const PropertyList* list = existing->find("extensions"); list && list->asArray())
      entries.assign(list->asArray()->begin(), list->asArray()->end());
  }
  SampleSystemExtension filter;
  filter.identifier = kStaleExtension;
  filter.uniqueID = kStaleExtensionUniqueID;
  filter.state = "activated_enabled";
  filter.categories = {"com.apple.system_extension.network_extension"};
  filter.teamID = "DW3X9K2M7Q";
  filter.bundlePath = "/Applications/Driftwood Sync.app";
  filter.appIdentifiers = {"com.driftwood.sync"};
  filter.stagedBundleName = "com.driftwood.sync.filter.systemextension";
  entries.push_back(systemExtensionEntry(filter));
  writeSystemExtensionsDatabase(mac, entries);
  addStagedSystemExtension(mac, *filter.uniqueID, filter.stagedBundleName, filter.identifier);
}

SampleBackgroundItem agent(const std::string& label, const std::string& executable, std::int64_t disposition) {
  return {.identifier = "8." + label,
          .name = label,
          .developerName = "Driftwood Labs",
          .associatedBundleIdentifiers = {"com.driftwood.sync"},
          .executablePath = executable,
          .url = "file:///Library/LaunchAgents/" + label + ".plist",
          .type = kLegacy | 0x8,
          .disposition = disposition};
}

void addBackgroundItems(const SampleMac& mac) {
  const std::string folder = backgroundItemsFolder(mac);
  const std::string fileName = backgroundItemsFileName(16);
  std::vector<SampleScope> scopes;
  // Keep the demo's items when its store is the one there (same scopes and items; item ids are random).
  const std::string path = folder + "/" + fileName;
  if (SampleMac::entryNames(folder).count(fileName)) {
    std::set<std::pair<std::string, std::string>> present, demo;
    for (const auto& record : BackgroundItemsStore::loadFile(path, kDemoUserScope))
      present.emplace(record.scopeUUID.value_or(""), record.identifier.value_or(""));
    for (const auto& scope : demoBackgroundItemScopes(mac))
      for (const auto& item : scope.items) demo.emplace(scope.identifier, item.identifier);
    if (present == demo) scopes = demoBackgroundItemScopes(mac);
  }

  const std::string app = "/Applications/Driftwood Sync.app/Contents";
  const std::string trashed = mac.user(".Trash/Quillpad.app/Contents/MacOS/agent");
  SampleMac::writeFile(trashed, "#!/bin/sh\n");
  SampleBackgroundItem launcher{.identifier = "4.com.driftwood.sync.launcher",
                                .name = "Driftwood Launcher",
                                .bundleIdentifier = "com.driftwood.sync.launcher",
                                .url = "file:///Applications/Driftwood%20Sync.app/Contents/Library/LoginItems/"
                                       "Driftwood%20Launcher.app/",
                                .type = 0x4,
                                .disposition = kEnabled | kAllowed | kHidden};
  SampleBackgroundItem devtools{.identifier = "32.com.driftwood.devtools",
                                .name = "Driftwood Labs",
                                .type = 0x20,
                                .disposition = kEnabled | kAllowed};
  SampleBackgroundItem daemon{.identifier = "16.com.driftwood.sync.daemon",
                              .name = "com.driftwood.sync.daemon",
                              .executablePath = "/Library/PrivilegedHelperTools/com.driftwood.sync.daemon",
                              .url = "file:///Library/LaunchDaemons/com.driftwood.sync.daemon.plist",
                              .type = kLegacy | 0x10,
                              .disposition = kEnabled | kAllowed};
  std::vector<SampleBackgroundItem> user{
      agent("com.driftwood.sync.agent", app + "/MacOS/agent", kEnabled | kAllowed | kNotified),
      agent("com.driftwood.sync.updater", app + "/MacOS/updater", kAllowed | kNotified),
      launcher,
      agent("com.quillpad.editor.agent", trashed, kEnabled | kAllowed),
      agent("com.tapedeck.backup.agent", "/Volumes/Backup/Applications/Tapedeck.app/Contents/MacOS/agent",
            kEnabled | kAllowed),
      devtools,
  };
  auto addTo = [&](const std::string& scope, std::vector<SampleBackgroundItem> items) {
    for (auto& s : scopes)
      if (s.identifier == scope) {
        s.items.insert(s.items.end(), items.begin(), items.end());
        return;
      }
    scopes.push_back({scope, std::move(items)});
  };
  addTo(kDemoUserScope, user);
  addTo(kDemoOtherUserScope, {agent("com.driftwood.sync.agent", app + "/MacOS/agent", kEnabled | kAllowed)});
  addTo(kSystemSentinelScope, {daemon});
  writeBackgroundItemsFile(folder, fileName, globalStoreArchive(scopes, ScopeForm::uuidObject));
}

}  // namespace

void addStaleSystemRecords(SampleMac& mac) {
  addReceipts(mac);
  addExtension(mac);
  addBackgroundItems(mac);
}

}  // namespace corvane::testing
