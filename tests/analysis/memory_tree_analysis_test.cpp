// The whole analysis of one app over a Mac held in memory: no disk, no clock, no running processes.

#include <gtest/gtest.h>

#include <memory>

#include "corvane/analysis/app_analyzer.h"
#include "corvane/discovery/app_discovery_service.h"
#include "corvane/platform/memory_file_system.h"
#include "corvane/base/date.h"

namespace corvane {
namespace {

constexpr std::int64_t kDay = 24 * 60 * 60;

// An XML property list holding one dictionary of texts.
std::string plistOf(std::initializer_list<std::pair<std::string, std::string>> entries) {
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>";
  for (const auto& [key, value] : entries) xml += "<key>" + key + "</key><string>" + value + "</string>";
  return xml + "</dict></plist>";
}

std::vector<std::string> described(const AnalysisSnapshot& s) {
  std::vector<std::string> found;
  for (const auto& f : s.findings)
    found.push_back(std::string(stringValue(f.confidence)) + " " + std::to_string(f.score) + " " + f.url.path() +
                    (f.byteCount ? " " + std::to_string(*f.byteCount) : ""));
  return found;
}

TEST(MemoryTreeAnalysisTest, FindsAndGradesEveryItemWithoutTouchingTheDisk) {
  const Date now = *date::parseISO8601("2026-12-04T00:00:00Z");
  const std::int64_t today = std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch()).count();
  auto mac = std::make_shared<platform::MemoryFileSystem>();
  const std::string home = "/mac/Users/me";
  mac->addFolder("/mac/Applications/Gizmo.app/Contents", today);
  mac->addFile(home + "/Library/Caches/com.example.tool/inside.db", "data", today);
  mac->addFile(home + "/Library/Preferences/com.example.tool.plist", "", today);
  mac->addFolder(home + "/Library/Caches/com.other.app", today);
  mac->addFolder(home + "/Library/Application Support/com.example.tool/com.example.tool.cache", today);
  mac->addFolder(home + "/Library/Logs/com.example.tool", today - 200 * kDay);
  mac->addFile(home + "/Library/Logs/.com.example.tool.hidden", "", today);
  // On the Mac this leads to "/Users/Shared": outside the Caches folder, so it is no item of it.
  mac->addFolder("/mac/Users/Shared/com.example.tool", today);
  mac->addLink(home + "/Library/Caches/com.example.tool.shared", "/Users/Shared/com.example.tool", today);
  // This one stays inside and is judged where it lies, as a system item needing an administrator.
  mac->addLink("/mac/Library/Caches/com.example.tool", "/Library/Caches/real", today);
  mac->addFolder("/mac/Library/Caches/real", today);

  AppAnalyzer::Collaborators c;
  c.inspect = [](const Url&) { return SignatureFacts{}; };
  c.receiptInspector = [](const std::optional<std::string>&, const std::string&) { return std::vector<std::string>{}; };
  c.componentInspector = [](const Url&) { return AppAnalyzer::ComponentFacts{}; };
  c.runningApplications = [] { return std::vector<RunningApplication>{}; };
  c.requiresAdministrator = [](const Url& url) { return url.path().starts_with("/mac/Library/"); };
  c.loadSystemExtensions = [](const Url&) { return std::vector<SystemExtensionRecord>{}; };
  c.now = [now] { return now; };
  c.fileSystem = mac;
  const AppAnalyzer analyzer(Layout::at("/mac", home), std::move(c));

  const AppIdentity gizmo{"Gizmo", "com.example.tool", std::nullopt, std::nullopt, {}, std::nullopt, std::nullopt};
  AnalysisSnapshot s = analyzer.analyze(gizmo, Url::fileURL("/mac/Applications/Gizmo.app"), {}, {});
  EXPECT_EQ(described(s), (std::vector<std::string>{
                       "Safe to Remove 100 /mac/Applications/Gizmo.app 0",
                       "Safe to Remove 82 /mac/Users/me/Library/Caches/com.example.tool 0",
                       "Safe to Remove 82 /mac/Users/me/Library/Preferences/com.example.tool.plist 0",
                       "Probably Leftover 82 /mac/Library/Caches/com.example.tool 0",
                       "Probably Leftover 73 /mac/Users/me/Library/Logs/com.example.tool 0",
                       "Probably Leftover 70 /mac/Users/me/Library/Application Support/com.example.tool 0"}));
  EXPECT_EQ(s.createdAt, now);
  EXPECT_EQ(s.findings[3].evidence.back().explanation,
            "macOS needs an administrator to remove this item. It will be moved to the Trash (recoverable) after you "
            "approve the administrator prompt.");
  EXPECT_EQ(s.findings[4].evidence.back().explanation,
            "Not modified for about 200 days; age is supporting evidence only.");
  EXPECT_EQ(s.findings[0].diskIdentity->fileType, 0040000u);
}

// The bundle's information list and localized name, its components, the receipts, plug-in bundles, container
// metadata and launch definitions are all read from the file system the services are given.
TEST(MemoryTreeAnalysisTest, ReadsBundlesReceiptsAndPropertyListsFromTheGivenFileSystem) {
  auto mac = std::make_shared<platform::MemoryFileSystem>();
  const std::string home = "/mac/Users/me", app = "/mac/Applications/Gizmo.app", library = home + "/Library/";
  const Date now = *date::parseISO8601("2026-12-04T00:00:00Z");
  mac->addFile(app + "/Contents/Info.plist",
               plistOf({{"CFBundleIdentifier", "com.example.tool"}, {"CFBundleName", "Gizmo"},
                        {"CFBundleShortVersionString", "2.1"}}),
               std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch()).count());
  mac->addFile(app + "/Contents/Resources/en.lproj/InfoPlist.strings", "\"CFBundleDisplayName\" = \"Gizmo Pro\";");
  mac->addFile(app + "/Contents/Library/LoginItems/Starter.app/Contents/Info.plist",
               plistOf({{"CFBundleIdentifier", "com.example.starter"}}));
  mac->addFile(app + "/Contents/Library/LaunchAgents/agent.plist", plistOf({{"Label", "com.example.agent"}}));
  mac->addFile("/mac/var/db/receipts/com.example.tool.pkg.plist", plistOf({{"PackageIdentifier", "x"}}));
  mac->addFile("/mac/var/db/receipts/com.example.tool.pkg.bom", "BOMStore");
  mac->addFile(library + "Internet Plug-Ins/Viewer.plugin/Contents/Info.plist",
               plistOf({{"CFBundleIdentifier", "com.example.tool.viewer"}}));
  mac->addFile(library + "Containers/3F2A/.com.apple.containermanagerd.metadata.plist",
               plistOf({{"MCMMetadataIdentifier", "com.example.tool"}}));
  mac->addFile(library + "LaunchAgents/org.updates.plist",
               plistOf({{"Label", "org.updates"}, {"Program", "/Applications/Gizmo.app/Contents/MacOS/up"}}));

  const Layout layout = Layout::at("/mac", home);
  const auto apps = AppDiscoveryService(layout, nullptr, mac).discover();
  ASSERT_EQ(apps.size(), 1u);
  EXPECT_EQ(apps[0].name + " " + apps[0].bundleIdentifier.value_or("") + " " + apps[0].version.value_or(""),
            "Gizmo Pro com.example.tool 2.1");

  AppAnalyzer::Collaborators c;  // components, receipts and extensions left to the analyzer's own readers
  c.inspect = [](const Url&) { return SignatureFacts{}; };
  c.runningApplications = [] { return std::vector<RunningApplication>{}; };
  c.requiresAdministrator = [](const Url&) { return false; };
  c.now = [now] { return now; };
  c.fileSystem = mac;
  const AnalysisSnapshot s = AppAnalyzer(layout, std::move(c)).analyze(apps[0], apps);
  EXPECT_EQ(described(s), (std::vector<std::string>{
                              "Safe to Remove 100 /mac/Applications/Gizmo.app 0",
                              "Safe to Remove 85 /mac/Users/me/Library/Containers/3F2A 0",
                              "Probably Leftover 68 /mac/Users/me/Library/LaunchAgents/org.updates.plist 4096",
                              "Probably Leftover 61 /mac/Users/me/Library/Internet Plug-Ins/Viewer.plugin 0",
                              "Probably Leftover 60 /mac/var/db/receipts/com.example.tool.pkg.bom 4096",
                              "Probably Leftover 60 /mac/var/db/receipts/com.example.tool.pkg.plist 4096"}));
  std::vector<std::string> bundleEvidence;
  for (const auto& e : s.findings.at(0).evidence) bundleEvidence.push_back(e.explanation);
  EXPECT_EQ(bundleEvidence,
            (std::vector<std::string>{"This is the application bundle you selected.",
                                      "Installer receipt found: com.example.tool.pkg.",
                                      "The app bundle contains 1 login item component: Starter.app. These are contained "
                                      "inside the selected app bundle.",
                                      "The app bundle declares 1 user launch agent: com.example.agent."}));
}

}  // namespace
}  // namespace corvane
