#include "corvane/analysis/app_analyzer.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "corvane/discovery/app_discovery_service.h"
#include "corvane/discovery/signature_validator.h"
#include "formats/macho_validation.h"
#include "sample_mac/bundle_components.h"
#include "sample_mac/macho_builder.h"
#include "sample_mac/demo_mac.h"
#include "sample_mac/plist_writer.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::SampleMac;
using testing::TemporaryFolder;

AppIdentity identity(const std::string& name, const std::string& bundleID) {
  return AppIdentity{name, bundleID, std::nullopt, std::nullopt, {}, std::nullopt, std::nullopt};
}

// The last components of the items a walk finds, sorted.
std::vector<std::string> names(const std::vector<Url>& urls) {
  std::vector<std::string> out;
  for (const auto& u : urls) out.push_back(u.lastPathComponent());
  std::sort(out.begin(), out.end());
  return out;
}

// An analyzer over a sample tree with no running apps, no signatures, no receipts and writable items.
class AnalyzerTest : public ::testing::Test {
 protected:
  AnalyzerTest() : mac(tmp.path()), analyzer(Layout::at(mac.root(), mac.home()), collaborators()) {}

  AppAnalyzer::Collaborators collaborators() {
    AppAnalyzer::Collaborators c;
    c.inspect = [](const Url&) { return SignatureFacts{}; };
    c.receiptInspector = [](const std::optional<std::string>&, const std::string&) {
      return std::vector<std::string>{};
    };
    c.componentInspector = [](const Url&) { return AppAnalyzer::ComponentFacts{}; };
    c.runningApplications = [this] { return running; };
    c.requiresAdministrator = [](const Url&) { return false; };
    c.loadSystemExtensions = [](const Url&) { return std::vector<SystemExtensionRecord>{}; };
    return c;
  }

  AnalysisSnapshot analyze(const AppIdentity& id, const std::vector<AppIdentity>& peers = {}) {
    Url app = Url::fileURL(mac.system("/Applications/" + id.name + ".app"));
    return analyzer.analyze(id, app, {}, peers);
  }

  // "tier score path-relative-to-sample" for each finding, in order.
  std::vector<std::string> summary(const AnalysisSnapshot& s) {
    std::vector<std::string> out;
    for (const auto& f : s.findings) {
      std::string path = f.url.path();
      if (path.rfind(tmp.path(), 0) == 0) path = path.substr(tmp.path().size() + 1);
      out.push_back(std::string(stringValue(f.confidence)) + " " + std::to_string(f.score) + " " + path);
    }
    return out;
  }

  TemporaryFolder tmp;
  SampleMac mac;
  AppAnalyzer analyzer;
  std::vector<RunningApplication> running;
};

TEST_F(AnalyzerTest, TheAppsOwnItemsAreScoredAndAllHeldInUseWhileItRuns) {
  mac.addApp({"Gizmo", "com.example.tool", "1.0", std::nullopt, {}});
  SampleMac::writeFile(mac.user("Library/Caches/com.example.tool/inside.db"));
  SampleMac::writeFile(mac.user("Library/Preferences/com.example.tool.plist"));
  SampleMac::makeFolder(mac.user("Library/Caches/com.other.app"));
  // A nested match is dropped; the duplicate keeps the higher score.
  SampleMac::makeFolder(mac.user("Library/Application Support/com.example.tool/com.example.tool.cache"));
  // Age adds three points from 180 days.
  testing::ageItem(SampleMac::makeFolder(mac.user("Library/Logs/com.example.tool")), 200);
  testing::ageItem(SampleMac::writeFile(mac.user("Library/Logs/com.example.tool.log")), 179);
  auto s = analyze(identity("Gizmo", "com.example.tool"));
  EXPECT_EQ(summary(s), (std::vector<std::string>{
                            "Safe to Remove 100 root/Applications/Gizmo.app",
                            "Safe to Remove 82 home/Library/Caches/com.example.tool",
                            "Safe to Remove 82 home/Library/Preferences/com.example.tool.plist",
                            "Probably Leftover 73 home/Library/Logs/com.example.tool",
                            "Probably Leftover 70 home/Library/Application Support/com.example.tool",
                            "Probably Leftover 70 home/Library/Logs/com.example.tool.log"}));
  EXPECT_EQ(s.findings[0].evidence[0].explanation, "This is the application bundle you selected.");
  EXPECT_EQ(s.findings[3].evidence.back().explanation,
            "Not modified for about 200 days; age is supporting evidence only.");
  EXPECT_EQ(s.identity.backgroundServiceIdentifiers, std::vector<std::string>{});
  EXPECT_FALSE(s.isApplicationRunning);

  running = {RunningApplication{std::nullopt, std::string("com.example.tool")}};
  s = analyze(identity("Gizmo", "com.example.tool"));
  EXPECT_TRUE(s.isApplicationRunning);
  ASSERT_EQ(s.findings.size(), 6u);
  for (const auto& f : s.findings) {
    EXPECT_EQ(f.confidence, FindingConfidence::inUse);
    EXPECT_EQ(f.evidence.back().explanation, "The application is currently running, so removal is blocked.");
  }
  // Only an exact, case-sensitive identifier or the bundle's own location counts.
  running = {RunningApplication{std::nullopt, std::string("COM.EXAMPLE.TOOL")}};
  EXPECT_FALSE(analyze(identity("Gizmo", "com.example.tool")).isApplicationRunning);
  running = {RunningApplication{Url::fileURL(mac.system("/Applications/./Gizmo.app")), std::nullopt}};
  EXPECT_TRUE(analyze(identity("Gizmo", "com.example.tool")).isApplicationRunning);
}

// With the real signature check, a group written into the entitlements after signing claims nothing: the
// bundle counts as unsigned, and its own finding says why.
TEST_F(AnalyzerTest, AGroupAddedAfterSigningClaimsNoContainer) {
  AppAnalyzer::Collaborators c = collaborators();
  c.inspect = nullptr;
  const Layout layout = Layout::at(mac.root(), mac.home());
  const AppAnalyzer checking(layout, c);
  const std::string group = "A1B2C3D4E5.com.other.shared";
  SampleMac::makeFolder(mac.user("Library/Group Containers/" + group));
  for (const bool tampered : {false, true}) {
    SCOPED_TRACE(tampered);
    const std::string app = mac.addApp({"Notes", "com.example.notes", "1.0", std::nullopt, {}});
    const std::string signedGroup = tampered ? group.substr(0, group.size() - 1) + "x" : group;
    auto executable = testing::buildSignedMachO("com.example.notes", "A1B2C3D4E5", {signedGroup});
    std::copy(group.begin(), group.end(),  // the entitlements name `group` whatever was signed
              std::search(executable.begin(), executable.end(), signedGroup.begin(), signedGroup.end()));
    SampleMac::writeFile(app + "/Contents/MacOS/Notes", std::string(executable.begin(), executable.end()));
    const AnalysisSnapshot s = checking.analyze(AppDiscoveryService(layout).makeApplication(Url::fileURL(app)), {});
    const bool claimed = std::any_of(s.findings.begin(), s.findings.end(),
                                     [&](const FileFinding& f) { return f.url.lastPathComponent() == group; });
    EXPECT_EQ(claimed, !tampered);
    EXPECT_EQ(s.identity.teamIdentifier, tampered ? std::nullopt : std::optional<std::string>("A1B2C3D4E5"));
    const auto& evidence = s.findings.front().evidence;
    const bool said = std::any_of(evidence.begin(), evidence.end(), [](const MatchEvidence& e) {
      return e.explanation == SignatureValidator::evidenceText(macho::problems::kEntitlementsChanged);
    });
    EXPECT_EQ(said, tampered);
  }
}

TEST_F(AnalyzerTest, EntriesAreJudgedByNameCaseAndScriptAloneWithContainerOwnersReadFromFolders) {
  const std::string meta = ".com.apple.containermanagerd.metadata.plist";
  const std::string owned = testing::writeXMLPlist(PlistDictionary{{"MCMMetadataIdentifier", "com.example.tool"}});
  const struct {
    std::string path;  // under the home's Library
    bool found;
  } cases[] = {
      {"Caches/COM.EXAMPLE.TOOL.Helper", true},       {"Caches/bench-tool backups", true},
      {"Caches/Bench Tool \xE2\x80\x93 \xC3\x9C" "ber", true}, {"Caches/com.example.toolbox", false},
      {"Caches/com.other.app", false},                {"Application Support/Vendor Stuff/com.example.tool.db", true},
      {"Containers/0A1B2C3D/" + meta, true},          {"Containers/4E5F6071", false},
  };
  for (const auto& c : cases)
    SampleMac::writeFile(mac.user("Library/" + c.path), c.path.find(meta) != std::string::npos ? owned : "x");
  std::vector<std::string> expected, found;
  for (const auto& c : cases)
    if (c.found) expected.push_back("home/Library/" + c.path.substr(0, c.path.find("/" + meta)));
  // The base rules alone: the name check must never hide what they would find.
  AppAnalyzer::Options baseRules;
  baseRules.extendedMatching = baseRules.systemOwnership = false;
  const AppAnalyzer base(Layout::at(mac.root(), mac.home()), collaborators(), baseRules);
  const AppIdentity tool = identity("Bench Tool", "com.example.tool");
  for (const auto& line : summary(base.analyze(tool, Url::fileURL(mac.system("/Applications/Bench Tool.app")), {}, {})))
    found.push_back(line.substr(line.find("home/")));
  std::sort(expected.begin(), expected.end());
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, expected);
}

TEST_F(AnalyzerTest, ArbitrationAgainstCoInstalledApps) {
  SampleMac::makeFolder(mac.user("Library/Caches/com.example.tool"));
  SampleMac::makeFolder(mac.user("Library/Caches/com.example.tool.helper"));
  SampleMac::makeFolder(mac.user("Library/Caches/com.example.tool-shared.x"));
  AppIdentity tool = identity("Gizmo", "com.example.tool");
  // A peer with the same identifier takes the exact item away; family members are then shared.
  auto withTwin = analyze(tool, {identity("Twin", "com.example.tool")});
  EXPECT_EQ(summary(withTwin), (std::vector<std::string>{"Review 67 home/Library/Caches/com.example.tool-shared.x",
                                                         "Review 67 home/Library/Caches/com.example.tool.helper"}));
  // A peer whose identifier is only a shorter prefix ranks lower, but family items it also matches are held.
  auto withPrefix = analyze(tool, {identity("Suite", "com.example")});
  EXPECT_EQ(summary(withPrefix), (std::vector<std::string>{"Safe to Remove 82 home/Library/Caches/com.example.tool",
                                                           "Review 67 home/Library/Caches/com.example.tool-shared.x",
                                                           "Review 67 home/Library/Caches/com.example.tool.helper"}));
  EXPECT_EQ(withPrefix.findings[1].evidence.back().kind, EvidenceKind::sharedOwnership);
  EXPECT_EQ(withPrefix.findings[1].evidence.back().explanation,
            "Another installed app also matches this item, so it is held at Review only.");
}

// Each rule of the arbitration against co-installed apps alone: who takes an item away, who only shares it.
TEST(PeerArbitrationTest, CloserOwnersTakeItemsAwayAndEqualOnesHoldThemAtReview) {
  using A = AppAnalyzer::Arbitration;
  const AppAnalyzer analyzer{Layout()};
  AppIdentity tool = identity("Gizmo", "com.example.tool"), groupPeer = identity("Suite", "com.example.suite");
  tool.applicationGroups = groupPeer.applicationGroups = std::vector<std::string>{"group.com.example.shared"};
  struct Case {
    const char* item;
    AppIdentity peer;
    bool groupContainer;
    A expected;
  } cases[] = {
      {"com.example.tool", identity("Twin", "com.example.tool"), false, {true, false}},
      {"com.example.tool.helper", identity("Helper", "com.example.tool.helper"), false, {true, false}},
      {"com.example.tool-shared.x", identity("Twin", "com.example.tool"), false, {false, true}},
      {"com.example.tool", identity("Vendor", "com.example"), false, {false, false}},
      {"com.example.tool", identity("Other", "com.other.tool"), false, {false, false}},
      {"group.com.example.shared", groupPeer, true, {true, false}},
      {"group.com.example.shared", groupPeer, false, {false, false}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.item) + " / " + c.peer.name);
    EXPECT_EQ(analyzer.arbitrate(Url::fileURL("/Users/u/Library/Caches/" + std::string(c.item)), tool, {c.peer},
                                 c.groupContainer, {}),
              c.expected);
  }
  // Peers of the same vendor (the first two identifier pieces, either way round) have their signatures read.
  EXPECT_EQ(AppAnalyzer::vendorPrefixes("Com.Example.Tool", "team.sign.x"),
            (std::set<std::string>{"com.example", "team.sign"}));
  EXPECT_EQ(AppAnalyzer::vendorPrefixes("single", std::nullopt), std::set<std::string>{});
  const std::set<std::string> vendor{"com.example"};
  const std::pair<const char*, bool> peers[] = {
      {"com.example", true}, {"com.example.other", true}, {"com", true}, {"com.examples", false}};
  for (const auto& [peer, shares] : peers) EXPECT_EQ(AppAnalyzer::peerSharesVendor(peer, vendor), shares) << peer;
}

TEST_F(AnalyzerTest, BundlesAreReadInEachLayoutAndLinksStayInside) {
  // Frameworks in their real layout (Resources is a link into Versions/Current) in both Frameworks folders
  // and in a plug-in folder, a flat bundle with Info.plist at its top, and an app-style plug-in.
  testing::addFramework(mac.user("Library/Frameworks/Kit.framework"), "com.example.tool");
  testing::addFramework(mac.system("/Library/Frameworks/KitCore.framework"), "com.example.tool.core");
  testing::addFramework(mac.user("Library/Internet Plug-Ins/KitWeb.framework"), "com.example.tool.web");
  SampleMac::writeFile(mac.user("Library/QuickLook/Kit.qlgenerator/Info.plist"),
                       testing::xmlPlist({{"CFBundleIdentifier", "com.example.tool.quicklook"}}));
  testing::addNestedBundle(mac.system("/Library"), "Spotlight", "Kit.mdimporter", "com.example.tool");
  // Resources leading out of the bundle, and an absolute Versions/Current, are not followed.
  std::string out = testing::addFramework(mac.user("Library/Frameworks/Out.framework"), "com.other.out");
  fs::remove(out + "/Resources");
  fs::create_directory_symlink("../Kit.framework/Resources", out + "/Resources");
  std::string absolute = testing::addFramework(mac.system("/Library/Frameworks/Abs.framework"), "com.other.abs");
  fs::remove(absolute + "/Versions/Current");
  fs::create_directory_symlink(mac.user("Library/Frameworks/Kit.framework/Versions/A"), absolute + "/Versions/Current");

  EXPECT_EQ(summary(analyze(identity("Gizmo", "com.example.tool"))),
            (std::vector<std::string>{"Safe to Remove 80 home/Library/Frameworks/Kit.framework",
                                      "Probably Leftover 80 root/Library/Spotlight/Kit.mdimporter",
                                      "Probably Leftover 58 home/Library/Internet Plug-Ins/KitWeb.framework",
                                      "Probably Leftover 58 home/Library/QuickLook/Kit.qlgenerator",
                                      "Review 58 root/Library/Frameworks/KitCore.framework"}));
}

TEST_F(AnalyzerTest, WalksArePreOrderBoundedByDepthAndKeepOnlyLinksThatStayInside) {
  const AppAnalyzer host{Layout()};  // links read as the host's own
  const std::string support = mac.user("Library/Application Support");
  SampleMac::writeFile(support + "/A/B/C/deep.txt");
  auto entries = host.contents(Url::fileURL(support), 2);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].path(), support + "/A");
  EXPECT_EQ(entries[1].path(), support + "/A/B");
  EXPECT_TRUE(host.contents(Url::fileURL(tmp.path() + "/missing"), 2).empty());

  // Read as the host's own tree: a link out is dropped, one inside stays, hidden items are left out.
  const std::string logs = mac.user("Library/Logs");
  SampleMac::makeFolder(logs + "/com.example.tool.real");
  SampleMac::makeFolder(tmp.path() + "/outside/com.example.tool");
  fs::create_directory_symlink(tmp.path() + "/outside/com.example.tool", logs + "/com.example.tool");
  fs::create_directory_symlink(logs + "/com.example.tool.real", logs + "/com.example.tool.alias");
  SampleMac::writeFile(logs + "/.com.example.tool.hidden");
  EXPECT_EQ(names(host.contents(Url::fileURL(logs), 1)),
            (std::vector<std::string>{"com.example.tool.alias", "com.example.tool.real"}));

  // On the Mac these targets are "/Library/..." and "/Users/Shared/...": under the sample root here.
  const std::string caches = mac.system("/Library/Caches");
  SampleMac::makeFolder(caches + "/com.example.tool.real");
  SampleMac::makeFolder(mac.system("/Users/Shared/com.example.tool"));
  fs::create_directory_symlink("/Library/Caches/com.example.tool.real", caches + "/com.example.tool.alias");
  fs::create_directory_symlink("/Users/Shared/com.example.tool", caches + "/com.example.tool");
  fs::create_directory_symlink("/Library/Caches/com.example.tool.real", mac.user("Library/Caches/com.example.tool"));
  EXPECT_EQ(names(analyzer.contents(Url::fileURL(caches), 1)),
            (std::vector<std::string>{"com.example.tool.alias", "com.example.tool.real"}));
  EXPECT_TRUE(analyzer.contents(Url::fileURL(mac.user("Library/Caches")), 1).empty());
  // Read as the host's own tree, the same targets lead nowhere and the links stay.
  EXPECT_EQ(names(host.contents(Url::fileURL(caches), 1)),
            (std::vector<std::string>{"com.example.tool", "com.example.tool.alias", "com.example.tool.real"}));
}

TEST_F(AnalyzerTest, ALaunchAgentIsTiedToTheAppByTheMacPathOfItsProgram) {
  mac.addApp({"Tool", "com.example.tool", "1.0", std::nullopt, {}});
  const std::string inside = "/Applications/Tool.app/Contents/MacOS/Tool";
  const std::vector<std::pair<std::string, PlistDictionary>> agents = {
      {"org.other.program", {{"Program", inside}}},
      {"org.other.arguments", {{"ProgramArguments", PlistArray{inside, "--daemon"}}}},
      {"org.other.argument", {{"ProgramArguments", PlistArray{"/usr/bin/open", "--app=/Applications/Tool.app"}}}},
      {"org.other.unclean", {{"Program", "/Applications//./Tool.app/Contents/MacOS/Tool"}}},
      {"org.other.lookalike", {{"Program", "/Applications/Toolkit.app/Contents/MacOS/Toolkit"}}},
      {"org.other.elsewhere", {{"Program", "/usr/local/bin/tool"}}},
  };
  for (auto [label, keys] : agents) {
    keys.emplace_back("Label", label);
    SampleMac::writeFile(mac.user("Library/LaunchAgents/" + label + ".plist"), testing::writeXMLPlist(keys));
  }
  auto s = analyze(identity("Tool", "com.example.tool"));
  EXPECT_EQ(s.identity.backgroundServiceIdentifiers,
            (std::vector<std::string>{"org.other.argument", "org.other.arguments", "org.other.program",
                                      "org.other.unclean"}));
  // The extended matching lifts a job whose program (not an argument) lies inside the bundle.
  for (const auto& f : s.findings) {
    if (f.kind != FindingKind::launchAgent) continue;
    SCOPED_TRACE(f.url.path());
    const bool argument = f.url.lastPathComponent() == "org.other.argument.plist";
    EXPECT_EQ(f.evidence.back().explanation,
              argument ? "The launch job runs a program inside this app bundle."
                       : "Nothing but this app runs the program the launch job names, so the job is this app's.");
    EXPECT_EQ(f.confidence, argument ? FindingConfidence::review : FindingConfidence::probablyLeftover);
  }
}

}  // namespace
}  // namespace corvane
