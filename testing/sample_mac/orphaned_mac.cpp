#include "sample_mac/orphaned_mac.h"

#include "corvane/history/history_store.h"
#include "corvane/model/layout.h"
#include "sample_mac/demo_mac.h"
#include "sample_mac/plist_writer.h"

namespace corvane::testing {

namespace {

void folderWithFile(const std::string& folder, const std::string& file = "data.db") {
  SampleMac::writeFile(SampleMac::makeFolder(folder) + "/" + file, std::string(600, 'd'));
}

// A sandbox container named after its owner, with the metadata file the container manager keeps.
void container(const SampleMac& mac, const std::string& identifier) {
  const std::string dir = mac.user("Library/Containers/" + identifier);
  folderWithFile(dir + "/Data/Library/Preferences", identifier + ".plist");
  PlistDictionary meta{{"MCMMetadataIdentifier", identifier}, {"MCMMetadataUUID", "2F6A0C1E-7B3D-4E59-8A1C-0D9E8F7A6B5C"}};
  SampleMac::writeFile(dir + "/.com.apple.containermanagerd.metadata.plist", writeXMLPlist(meta));
}

}  // namespace

AppIdentity glimmerIdentity() {
  AppIdentity identity;
  identity.name = "Glimmer";
  identity.bundleIdentifier = kGlimmerIdentifier;
  identity.signingIdentifier = kGlimmerIdentifier;
  identity.teamIdentifier = "GL3M8R4K2Q";
  return identity;
}

void addRemovedAppLeftovers(SampleMac& mac) {
  const std::string glimmer = kGlimmerIdentifier;
  folderWithFile(mac.user("Library/Caches/" + glimmer));
  ageItem(SampleMac::writeFile(mac.user("Library/Preferences/" + glimmer + ".plist")), 120);
  folderWithFile(mac.user("Library/Saved Application State/" + glimmer + ".savedState"), "windows.plist");
  folderWithFile(mac.user("Library/HTTPStorages/" + glimmer));
  SampleMac::writeFile(mac.user("Library/LaunchAgents/" + glimmer + ".updater.plist"),
                       writeXMLPlist(PlistDictionary{{"Label", glimmer + ".updater"}}));
  SampleMac::writeFile(mac.user("Library/Logs/DiagnosticReports/Glimmer-2026-08-14-093015.ips"), "{}\n");
  SampleMac::writeFile(mac.user("Library/Logs/DiagnosticReports/Glimmer_2026-09-02-170344_Mac.crash"), "crash\n");

  const std::string tidepool = kTidepoolIdentifier;
  folderWithFile(mac.user("Library/Caches/" + tidepool));
  container(mac, tidepool);
  folderWithFile(mac.user("Library/Logs/" + tidepool), "mixer.log");
  SampleMac::writeFile(mac.user("Library/Preferences/" + tidepool + ".plist"));

  const std::string copperline = kCopperlineIdentifier;
  SampleMac::writeFile(mac.user("Library/Preferences/" + copperline + ".plist"));
  folderWithFile(mac.user("Library/WebKit/" + copperline));

  // Look-alikes: none of these is anyone's leftover.
  folderWithFile(mac.user("Library/Caches/org.sparkle-project.Sparkle"));
  folderWithFile(mac.user("Library/Caches/com.google.firebase-crashlytics"));
  SampleMac::writeFile(mac.user("Library/Preferences/com.example.FixtureHost.plist"));
  folderWithFile(mac.user("Library/Caches/com.apple.Safari"));
  SampleMac::writeFile(mac.user("Library/Preferences/com.apple.finder.plist"));
  folderWithFile(mac.user("Library/Caches/" + std::string(kRunningOnlyIdentifier)));
  SampleMac::writeFile(mac.user("Library/Preferences/" + std::string(kNorthwindPlannerIdentifier) + ".plist"));
}

bool recordGlimmerUninstall(const SampleMac& mac) {
  HistoryStore store(HistoryFileManager::system(), Layout::at(mac.root(), mac.home()));
  UninstallRecord record;
  record.createdAt = date::now();
  record.identity = glimmerIdentity();
  record.preRemovalSnapshot.identity = record.identity;
  record.preRemovalSnapshot.appURL = Url::fileURL(mac.system("/Applications/Glimmer.app"));
  record.operations.push_back(TrashOperation::success(record.preRemovalSnapshot.appURL, std::nullopt));
  return store.append(std::move(record)).has_value();
}

}  // namespace corvane::testing
