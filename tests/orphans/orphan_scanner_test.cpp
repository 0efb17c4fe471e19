#include "corvane/orphans/orphan_scanner.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "corvane/discovery/app_discovery_service.h"
#include "corvane/history/history_store.h"
#include "platform/disk_identity.h"
#include "platform/file_status.h"
#include "sample_mac/bundle_components.h"
#include "sample_mac/demo_mac.h"
#include "sample_mac/orphaned_mac.h"

namespace corvane {
namespace {

using testing::SampleMac;
using C = FindingConfidence;
using E = EvidenceKind;
using std::nullopt;

TEST(OrphanScannerRulesTest, NamesAndIdentifiers) {
  const std::optional<std::string> none;
  const std::pair<std::string, std::optional<std::string>> inferred[] = {
      {"com.acme.Tool.plist", "com.acme.Tool"}, {"com.acme.Tool.savedState", "com.acme.Tool"},
      {"com.a.b.cache.plist", "com.a.b"},       {"com.a.b.plist.cache", "com.a.b.plist"},
      {"com.a.b.lockfile", "com.a.b"},          {"com..a.b_c-d", "com..a.b_c-d"},
      {"de.bücher.app", "de.bücher.app"},       {"Tool.plist", none},
      {"com.acme.tool name", none},             {"com.acme.\xff\xfe.tool", none},
      {"com.apple.Safari", none},               {"group.com.apple.notes", none},
      {"SystemGroup.com.apple.x", none},        {"com.acme.plist", none},
      {"com.acme.v2+beta", none},               {"com.acme.Z9~", none}};
  for (const auto& [name, expected] : inferred) {
    SCOPED_TRACE(name);
    EXPECT_EQ(OrphanScanner::inferredBundleIdentifier(name), expected);
  }
  const std::pair<std::string, std::optional<std::string>> vendors[] = {
      {"com.acme.tool", "com.acme"}, {"Com.Acme.Tool", "com.acme"},  {"io.github.alice.tool", "io.github.alice"},
      {"io.github.tool", none},      {"acme.tools.x", none},         {"de.acme.tool", "de.acme"},
      {"com.acme", none},            {"COM.GitLab.Bob.x", "com.gitlab.bob"}};
  for (const auto& [identifier, expected] : vendors) {
    SCOPED_TRACE(identifier);
    EXPECT_EQ(OrphanScanner::vendorPrefix(identifier), expected);
  }
  const std::pair<std::string, bool> fixtures[] = {
      {"com.example.foo", true},      {"COM.EXAMPLE", true},         {"com.examples.foo", false},
      {"DemoTests.something.x", true}, {"DemoUITests.a.b", true},    {"demotests.a.b", false},
      {"Test.a.b", true},             {"myco.verify.thing.x", true}, {"myco.thing.verify", false},
      {"com.verify.thing", false},    {"de.verify.thing.x", false},  {"", false}};
  for (const auto& [identifier, expected] : fixtures) {
    SCOPED_TRACE(identifier);
    EXPECT_EQ(OrphanScanner::isLikelyTestFixture(identifier), expected);
  }
  const std::pair<std::string, bool> sdks[] = {
      {"org.sparkle-project.Sparkle", true}, {"com.google.firebase-crashlytics", true}, {"com.google.firebasex", false},
      {"COM.FACEBOOK.SDK", true},            {"com.facebook.sdk_x", true},               {"com.facebook", false}};
  for (const auto& [identifier, expected] : sdks) {
    SCOPED_TRACE(identifier);
    EXPECT_EQ(OrphanScanner::isKnownSharedSDKComponent(identifier), expected);
  }
  struct Owner {
    std::set<std::string> installed;
    std::string identifier;
    bool owned;
  };
  const Owner owners[] = {{{"com.acme.app"}, "com.acme.app.helper", true},  {{"com.acme.app"}, "COM.ACME.App", true},
                          {{"com.acme.app"}, "com.acme.application", false}, {{"com.acme.app"}, "com.acme", true},
                          {{"com.acme.app.pro"}, "com.acme.app", true},       {{"com.acme.app.pro"}, "com.acme.ap", false},
                          {{"com.acme.app-x", "com.b.c"}, "com.acme.app", false}, {{}, "com.acme.app", false}};
  for (const auto& o : owners) {
    SCOPED_TRACE(o.identifier);
    EXPECT_EQ(OrphanScanner::hasInstalledOwner(o.identifier, o.installed), o.owned);
  }
}

class OrphanScannerTest : public ::testing::Test {
 protected:
  std::string lib(const std::string& relative) const { return temp_.path() + "/Library/" + relative; }
  OrphanScanner::Root root(const std::string& relative, FindingKind kind) const {
    return {Url::fileURL(lib(relative)), kind};
  }
  // Group key -> (file name, confidence, score) of each finding, in order.
  using Summary = std::vector<std::pair<std::string, std::vector<std::tuple<std::string, C, int>>>>;
  static Summary summary(const std::vector<OrphanGroup>& groups) {
    Summary s;
    for (const auto& g : groups) {
      s.push_back({g.suspectedBundleIdentifier, {}});
      for (const auto& f : g.findings) s.back().second.emplace_back(f.name(), f.confidence, f.score);
    }
    return s;
  }
  static const FileFinding& find(const std::vector<OrphanGroup>& groups, const std::string& name) {
    for (const auto& g : groups)
      for (const auto& f : g.findings)
        if (f.name() == name) return f;
    ADD_FAILURE() << name;
    static const FileFinding missing;
    return missing;
  }
  static std::vector<std::pair<E, std::string>> evidence(const FileFinding& f) {
    std::vector<std::pair<E, std::string>> out;
    for (const auto& e : f.evidence) out.emplace_back(e.kind, e.explanation);
    return out;
  }

  testing::TemporaryFolder temp_{"orphans"};
};

TEST_F(OrphanScannerTest, InnerScanGradesGroupsAndOrdersFindings) {
  SampleMac mac(temp_.path() + "/mac");
  const std::string app = mac.addApp({"Acme App", "com.acme.app", "1.0", nullopt, {}});
  testing::addNestedBundle(app, testing::kPlugInsFolder, "Share.appex", "com.embedded.share");
  const std::vector<InstalledApplication> installed = {{Url::fileURL(app), "Acme App", "com.acme.app", "1.0", false}};

  for (const char* cache : {"com.acme.app", "com.embedded.share.data", "com.runner.tool", "com.gone.app.helper",
                            "org.stack.app.cache.plist", "org.stack.app.plist.cache", ".com.hidden.thing",
                            // Apple's own and shared by many apps: never orphans.
                            "org.swift.swiftpm", "ABCDE12345.com.apple.notes", "com.crashlytics.data"})
    SampleMac::writeFile(lib("Caches/") + cache);
  for (const char* pref : {"com.gone.app.plist", "com.acme.other.plist", "Tool.plist"})
    SampleMac::writeFile(lib("Preferences/") + pref);
  testing::ageItem(SampleMac::writeFile(lib("Preferences/org.lonely.tool.plist")), 120);
  testing::ageItem(SampleMac::writeFile(lib("Caches/org.lonely.tool")), 89);
  SampleMac::writeFile(lib("Logs/com.gone.app/today.log"));
  SampleMac::writeFile(lib("Logs/DiagnosticReports/Gone Runner-2026-01-02-030405.ips"));
  SampleMac::writeFile(lib("Logs/DiagnosticReports/Unrelated-2026-01-02.ips"));
  SampleMac::writeFile(lib("Logs/DiagnosticReports/Chess-2026-01-02.ips"));  // Apple's own app's

  OrphanScanner::Facts facts;
  facts.installedBundleIdentifiers = OrphanScanner::installedIdentifiers(installed);
  EXPECT_EQ(facts.installedBundleIdentifiers, (std::set<std::string>{"com.acme.app", "com.embedded.share"}));
  facts.roots = {root("Caches", FindingKind::cache), root("Preferences", FindingKind::preference),
                 root("Missing", FindingKind::cache), root("Logs", FindingKind::log)};
  // The Logs root again: what the folder pass claimed is not examined a second time.
  facts.diagnosticRoots = {root("Logs/DiagnosticReports", FindingKind::log), root("Logs", FindingKind::log)};
  facts.runningBundleIdentifiers = {"COM.RUNNER.TOOL"};
  facts.knownRemovedIdentities = {{"Nameless", std::string(" \n"), {}, {}, {}, {}, {}},
                                  {"Gone Runner", std::string(" com.gone.app\n"), {}, {}, {}, {}, {}},
                                  {"Still Here", std::string("com.acme.app"), {}, {}, {}, {}, {}},
                                  {"Chess", std::string("com.apple.Chess"), {}, {}, {}, {}, {}}};
  facts.installedVendors = {{"com.acme", "Acme App"}};
  const auto groups = OrphanScanner(Layout::at(temp_.path() + "/mac", temp_.path())).scan(facts);

  const Summary expected = {
      {"com.acme.other", {{"com.acme.other.plist", C::review, 55}}},
      {"com.gone.app",
       {{"Gone Runner-2026-01-02-030405.ips", C::review, 26},
        {"com.gone.app", C::probablyLeftover, 55},
        {"com.gone.app.plist", C::probablyLeftover, 55}}},
      {"com.gone.app.helper", {{"com.gone.app.helper", C::probablyLeftover, 55}}},
      {"com.runner.tool", {{"com.runner.tool", C::inUse, 55}}},
      {"org.lonely.tool", {{"org.lonely.tool", C::review, 55}, {"org.lonely.tool.plist", C::review, 58}}},
      {"org.stack.app", {{"org.stack.app.cache.plist", C::review, 55}}},
      {"org.stack.app.plist", {{"org.stack.app.plist.cache", C::review, 55}}}};
  EXPECT_EQ(summary(groups), expected);

  const std::string named = "The artifact name contains reverse-DNS identifier ";
  const std::string noOwner =
      "No currently installed application has this bundle identifier. Absence alone is not proof of safe removal.";
  using Ev = std::vector<std::pair<E, std::string>>;
  EXPECT_EQ(evidence(find(groups, "com.acme.other.plist")),
            (Ev{{E::bundleIdentifier, named + "com.acme.other."},
                {E::noInstalledOwner, noOwner},
                {E::sameDeveloper, "Shares the developer prefix com.acme with the installed app \"Acme App\"; it may be "
                                   "left over from an earlier app by the same developer. Absence of an installed owner "
                                   "is not proof of safe removal."}}));
  EXPECT_EQ(evidence(find(groups, "com.gone.app.helper")).back(),
            (std::pair<E, std::string>{E::relatedComponent, "Uninstall history records Gone Runner; this file's "
                                                            "identifier com.gone.app.helper matches that removed app."}));
  EXPECT_EQ(evidence(find(groups, "com.runner.tool")).back(),
            (std::pair<E, std::string>{E::runningProcess, "A process with this bundle identifier is running."}));
  EXPECT_EQ(evidence(find(groups, "org.lonely.tool.plist")).back(),
            (std::pair<E, std::string>{E::modificationAge,
                                       "Not modified for about 120 days; age is supporting evidence only."}));
  EXPECT_EQ(find(groups, "org.lonely.tool.plist").evidence.back().weight, 3);
  EXPECT_EQ(evidence(find(groups, "org.lonely.tool")).size(), 2u);

  const FileFinding& crash = find(groups, "Gone Runner-2026-01-02-030405.ips");
  EXPECT_EQ(evidence(crash), (Ev{{E::appName, "The filename contains the normalized application name."},
                                 {E::noInstalledOwner, "Uninstall history records Gone Runner, and no installed "
                                                       "application owns its recorded bundle identifier. History plus "
                                                       "a filename match requires review."}}));
  EXPECT_EQ(crash.kind, FindingKind::log);
  const FileFinding& plist = find(groups, "com.gone.app.plist");
  EXPECT_EQ(plist.kind, FindingKind::preference);
  EXPECT_EQ(plist.url.path(), lib("Preferences/com.gone.app.plist"));
  // One look at the item gives its size on disk, its age and its identity, as the separate reads give them.
  const auto status = platform::linkStatus(plist.url.path());
  ASSERT_TRUE(status && plist.byteCount && plist.modifiedAt && plist.diskIdentity);
  EXPECT_EQ(*plist.byteCount, status->allocatedSize > 0 ? status->allocatedSize : status->size);
  EXPECT_EQ(*plist.modifiedAt, Date(std::chrono::seconds(status->modifiedSeconds)));
  // Every item, in whichever root (one before it missing), is examined where it lies.
  for (const auto& group : groups)
    for (const auto& f : group.findings) {
      const auto identity = platform::diskIdentityOf(f.url);
      ASSERT_TRUE(identity.has_value() && f.diskIdentity) << f.url.path();
      EXPECT_TRUE(f.diskIdentity->isSameObject(*identity) && f.diskIdentity->creationStamp == identity->creationStamp)
          << f.url.path();
    }
  EXPECT_FALSE(plist.isProtectedLocation || plist.displayName);
}

TEST_F(OrphanScannerTest, RunningRemovedAppClaimsItsCrashReportAsInUse) {
  SampleMac::writeFile(lib("Logs/DiagnosticReports/Glimmer_2026-09-02_Mac.crash"));
  OrphanScanner::Facts facts;
  facts.diagnosticRoots = {root("Logs/DiagnosticReports", FindingKind::log)};
  facts.runningBundleIdentifiers = {"com.glimmerapps.glimmer"};
  facts.knownRemovedIdentities = {testing::glimmerIdentity()};
  const auto groups = OrphanScanner(Layout{}).scan(facts);
  ASSERT_EQ(groups.size(), 1u);
  EXPECT_EQ(groups[0].suspectedBundleIdentifier, "com.glimmerapps.Glimmer");
  ASSERT_EQ(groups[0].findings.size(), 1u);
  EXPECT_EQ(groups[0].findings[0].confidence, C::inUse);
  EXPECT_EQ(evidence(groups[0].findings[0]).back(),
            (std::pair<E, std::string>{E::runningProcess,
                                       "A process with recorded bundle identifier com.glimmerapps.Glimmer is running."}));
}

TEST_F(OrphanScannerTest, HugeFoldersAndUndecodableNamesComplete) {
  const std::string caches = SampleMac::makeFolder(lib("Caches"));
  for (int i = 0; i < 50'000; ++i) SampleMac::writeFile(caches + "/org.bulk.item" + std::to_string(i));
  for (const char* name : {"org.bad.\xc3\x28", "\xff\xfe.a.b", "org.ok.name\x80", ".org.hidden.item"})
    SampleMac::writeFile(caches + "/" + name);
  OrphanScanner::Facts facts;
  facts.roots = {root("Caches", FindingKind::cache)};
  // The progress heard counts each visible entry once, in order; the hidden one is not examined.
  std::uint64_t calls = 0, last = 0;
  bool inOrder = true;
  facts.progress = [&](std::uint64_t examined) { inOrder = inOrder && examined == last + 1, last = examined, ++calls; };
  const auto groups = OrphanScanner(Layout{}).scan(facts);
  EXPECT_EQ(groups.size(), 50'000u);
  EXPECT_EQ(groups.front().suspectedBundleIdentifier, "org.bulk.item0");
  EXPECT_EQ(calls, 50'003u);
  EXPECT_EQ(last, 50'003u);
  EXPECT_TRUE(inOrder);
}

TEST_F(OrphanScannerTest, PublicScanOfTheSampleMac) {
  SampleMac mac(temp_.path() + "/mac");
  testing::buildDemoMac(mac);
  testing::addRemovedAppLeftovers(mac);
  ASSERT_TRUE(testing::recordGlimmerUninstall(mac));
  const Layout layout = Layout::at(mac.root(), mac.home());
  const auto installed = AppDiscoveryService(layout).discover();
  HistoryStore history(HistoryFileManager::system(), layout);
  std::vector<AppIdentity> removed;
  for (const auto& record : history.records()) removed.push_back(record.identity);

  OrphanScanner::Collaborators collaborators;
  collaborators.runningApplications = [] {
    return std::vector<RunningApplication>{{nullopt, std::string(testing::kRunningOnlyIdentifier)}};
  };
  const auto result = OrphanScanner(layout, collaborators).scan(installed, removed, {});

  std::vector<std::string> keys;
  std::map<C, int> confidences;
  for (const auto& g : result.groups) {
    keys.push_back(g.suspectedBundleIdentifier);
    for (const auto& f : g.findings) ++confidences[f.confidence];
  }
  EXPECT_EQ(keys, (std::vector<std::string>{"com.glimmerapps.Glimmer", "com.glimmerapps.Glimmer.updater",
                                            "com.northwind.planner", "com.stormglass.monitor", "com.tidepool.mixer",
                                            "io.github.copperline.notes"}));
  EXPECT_EQ(confidences, (std::map<C, int>{{C::probablyLeftover, 5}, {C::review, 9}, {C::inUse, 1}}));
  EXPECT_EQ(find(result.groups, "com.northwind.planner.plist").evidence.back().explanation,
            "Shares the developer prefix com.northwind with the installed app \"Northwind Sheets\"; it may be left "
            "over from an earlier app by the same developer. Absence of an installed owner is not proof of safe "
            "removal.");
  EXPECT_TRUE(result.isComplete());

  // Without its Applications folder the Mac's apps cannot be known: every app's data would look left over.
  std::filesystem::rename(layout.applications(), layout.applications() + ".aside");
  const auto blind = OrphanScanner(layout, collaborators).scan(AppDiscoveryService(layout).discover(), removed, {});
  EXPECT_EQ(blind.groups, std::vector<OrphanGroup>{});
  EXPECT_EQ(blind.unreadableApplicationFolders, std::vector<std::string>{layout.applications()});
}

}  // namespace
}  // namespace corvane
