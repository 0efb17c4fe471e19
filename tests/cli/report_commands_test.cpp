// The commands that only read and report: apps, inspect, background-items and assess, in text and JSON.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "cli/cli_capture.h"
#include "cli/commands.h"
#include "model/json_value.h"
#include "corvane/discovery/login_scope_identity.h"
#include "sample_mac/background_items_builder.h"
#include "sample_mac/bundle_components.h"
#include "sample_mac/macho_builder.h"
#include "sample_mac/receipts_builder.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

using testing::BundleInfo;
using testing::SampleBackgroundItem;
using testing::SampleMac;
using OrderedJson = nlohmann::ordered_json;
using Keys = std::vector<std::string>;

// Runs a command on a sample Mac, which is given as --root and --home unless `withLayout` is false.
class SampleMacCommandTest : public ::testing::Test {
 protected:
  int run(const std::string& command, std::vector<std::string> args, bool withLayout = true) {
    args.insert(args.begin(), command);
    if (withLayout)
      for (const auto& a : {std::string("--root"), mac.root(), std::string("--home"), mac.home()}) args.push_back(a);
    auto result = testing::runCli(args);
    out = result.out;
    err = result.err;
    return result.status;
  }
  nlohmann::json parsedOutput() {
    auto parsed = json::parse(out);
    EXPECT_TRUE(parsed.has_value()) << out;
    return parsed.has_value() ? parsed.value() : nlohmann::json();
  }

  testing::TemporaryFolder tmp{"corvane-cli"};
  SampleMac mac{tmp.path()};
  std::string out, err;
};

using AppsCommandTest = SampleMacCommandTest;

TEST_F(AppsCommandTest, PrintsATableSortedByNameOrTheRecordsAsJSON) {
  std::string zed = mac.addApp(BundleInfo{"Zed", "com.example.zed", "2.0", std::nullopt, {}});
  std::string calc = mac.addApp(mac.system("/System/Applications"),
                                BundleInfo{"Calculator", "com.example.calculator", "10.1", std::nullopt, {}});
  std::string bare =
      mac.addApp(mac.user("Applications"), BundleInfo{"bare", std::nullopt, std::nullopt, std::nullopt, {}});

  ASSERT_EQ(run("apps", {}), 0);
  EXPECT_EQ(err, "");
  EXPECT_EQ(out,
            "NAME        VERSION  BUNDLE IDENTIFIER       SYSTEM  PATH\n"
            "bare        -        -                       no      ~/Applications/bare.app\n"
            "Calculator  10.1     com.example.calculator  yes     /System/Applications/Calculator.app\n"
            "Zed         2.0      com.example.zed         no      /Applications/Zed.app\n"
            "3 applications\n");

  ASSERT_EQ(run("apps", {"--json"}), 0);
  auto record = [](const std::string& path, const std::string& name, const std::string& id, const char* version,
                   bool system) {
    return nlohmann::json{{"path", path}, {"name", name}, {"bundleIdentifier", id},
                          {"version", version}, {"isSystemApplication", system}};
  };
  EXPECT_EQ(parsedOutput(), nlohmann::json::array({
                                {{"path", bare},
                                 {"name", "bare"},
                                 {"isSystemApplication", false}},
                                record(calc, "Calculator", "com.example.calculator", "10.1", true),
                                record(zed, "Zed", "com.example.zed", "2.0", false),
                            }));
}

TEST_F(AppsCommandTest, AnEmptyMacHasNoApplications) {
  ASSERT_EQ(run("apps", {}), 0);
  EXPECT_EQ(out, "No applications found.\n");
  ASSERT_EQ(run("apps", {"--json"}), 0);
  EXPECT_EQ(out, "[]\n");
  EXPECT_EQ(run("apps", {"extra"}), cli::kExitUsage);
}

using InspectCommandTest = SampleMacCommandTest;

TEST_F(InspectCommandTest, PrintsSignatureComponentsAndReceiptsInTextAndJSON) {
  // A signed Tool.app with a login item, a plug-in and a launch agent, and three receipts.
  std::string app = mac.addApp(BundleInfo{"Tool", "com.vendor.tool", "3.0", std::nullopt, {}});
  auto binary = testing::buildSignedMachO("com.vendor.tool", "TEAM123456", {"TEAM123456.group.tool"});
  SampleMac::writeFile(app + "/Contents/MacOS/Tool", std::string(binary.begin(), binary.end()));
  testing::addNestedBundle(app, testing::kLoginItemsFolder, "ToolHelper.app", "com.vendor.tool.helper");
  testing::addNestedBundle(app, testing::kPlugInsFolder, "Share.appex", "com.vendor.tool.share");
  testing::addLaunchAgentDefinition(app, "agent.plist", testing::launchAgentDefinition("com.vendor.tool.agent"));
  testing::addReceipt(mac, "com.vendor.tool.pkg", "3.0", "/", {"Applications/Tool.app/Contents/Info.plist"});
  testing::addReceipt(mac, "com.vendor.tool.extras", "3.0", "/Library", {"Fonts/tool.ttf"});
  testing::addReceipt(mac, "com.other.thing", "1.0", "/", {"Applications/Other.app/Contents/Info.plist"});
  const std::string loginItems = "The app bundle contains 1 login item component: ToolHelper.app. These are "
                                 "contained inside the selected app bundle.";

  ASSERT_EQ(run("inspect", {app}), 0);
  EXPECT_EQ(err, "");
  EXPECT_EQ(out,
            "App: Tool\n"
            "Location: /Applications/Tool.app\n"
            "Bundle identifier: com.vendor.tool\n"
            "Version: 3.0\n"
            "\n"
            "Signature\n"
            "  Signing identifier: com.vendor.tool\n"
            "  Team identifier: TEAM123456\n"
            "  Application groups: TEAM123456.group.tool\n"
            "\n"
            "Embedded components\n"
            "  " + loginItems + "\n"
            "  The app bundle contains 1 extension or plug-in component: Share.appex. These are contained inside "
            "the selected app bundle.\n"
            "  The app bundle declares 1 user launch agent: com.vendor.tool.agent.\n"
            "  Identifiers: com.vendor.tool.agent, com.vendor.tool.helper\n"
            "\n"
            "Installer receipts\n"
            "  com.vendor.tool.extras\n"
            "  com.vendor.tool.pkg -> /Applications/Tool.app\n");

  ASSERT_EQ(run("inspect", {app, "--json"}), 0);
  nlohmann::json j = parsedOutput();
  EXPECT_EQ(j.size(), 3u);
  EXPECT_LT(out.find("\"signature\""), out.find("\"embedded\""));
  EXPECT_LT(out.find("\"embedded\""), out.find("\"receipts\""));
  EXPECT_EQ(j["signature"], (nlohmann::json{{"signingIdentifier", "com.vendor.tool"},
                                            {"teamIdentifier", "TEAM123456"},
                                            {"applicationGroups", {"TEAM123456.group.tool"}}}));
  EXPECT_EQ(j["embedded"]["identifiers"], (nlohmann::json{"com.vendor.tool.agent", "com.vendor.tool.helper"}));
  ASSERT_EQ(j["embedded"]["evidence"].size(), 3u);
  auto first = json::decode<MatchEvidence>(j["embedded"]["evidence"][0]);
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(first.value(), MatchEvidence(first.value().id, EvidenceKind::embeddedComponent, loginItems, 0));
  EXPECT_EQ(j["receipts"],
            (nlohmann::json::array({{{"packageID", "com.vendor.tool.extras"}},
                                    {{"packageID", "com.vendor.tool.pkg"},
                                     {"primaryPayloadAppPath", "/Applications/Tool.app"}}})));
}

TEST_F(InspectCommandTest, AnUnsignedBareBundleHasEmptySectionsAndAMissingOneIsAnError) {
  std::string app = mac.addApp(BundleInfo{"Go", std::nullopt, std::nullopt, std::nullopt, {}});
  ASSERT_EQ(run("inspect", {app, "--json"}), 0);
  EXPECT_EQ(parsedOutput(), (nlohmann::json{{"signature", {{"applicationGroups", nlohmann::json::array()}}},
                                            {"embedded",
                                             {{"evidence", nlohmann::json::array()},
                                              {"identifiers", nlohmann::json::array()}}},
                                            {"receipts", nlohmann::json::array()}}));
  ASSERT_EQ(run("inspect", {app}), 0);
  EXPECT_NE(out.find("  Signing identifier: none\n  Team identifier: none\n  Application groups: none\n"),
            std::string::npos);
  EXPECT_NE(out.find("Embedded components\n  none\n  Identifiers: none\n\nInstaller receipts\n  none\n"),
            std::string::npos);

  EXPECT_EQ(run("inspect", {tmp.path() + "/Nowhere.app"}), cli::kExitFailure);
  EXPECT_EQ(out, "");
  EXPECT_EQ(err, "corvane inspect: no application bundle at " + tmp.path() + "/Nowhere.app\n");
  EXPECT_EQ(run("inspect", {}), cli::kExitUsage);
}

Keys keysOf(const OrderedJson& object) {
  Keys keys;
  for (auto it = object.begin(); it != object.end(); ++it) keys.push_back(it.key());
  return keys;
}

class BackgroundItemsCommandTest : public SampleMacCommandTest {
 protected:
  int run(std::vector<std::string> args, bool withLayout = true) {
    return SampleMacCommandTest::run("background-items", std::move(args), withLayout);
  }
  // The output with its keys in the order written.
  OrderedJson json() {
    auto parsed = OrderedJson::parse(out, nullptr, false);
    EXPECT_FALSE(parsed.is_discarded()) << out;
    return parsed;
  }

  std::string store = testing::backgroundItemsFolder(mac);
};

TEST_F(BackgroundItemsCommandTest, JSONOfTheSampleStore) {
  testing::addDemoBackgroundItems(mac);
  ASSERT_EQ(run({"--json", "--scope", testing::kDemoUserScope}), 0) << err;
  EXPECT_EQ(err, "");
  auto j = json();
  EXPECT_EQ(keysOf(j), (Keys{"records", "status", "scopesSeen"}));
  EXPECT_EQ(j["status"], (OrderedJson{{"kind", "parsed"}, {"version", 16}, {"filesParsed", 1}}));
  EXPECT_EQ(j["scopesSeen"], (OrderedJson{testing::kDemoUserScope, testing::kDemoOtherUserScope}));
  ASSERT_EQ(j["records"].size(), 5u);

  const auto& dropzone = j["records"][0];
  EXPECT_EQ(keysOf(dropzone), (Keys{"scopeUUID", "scopeKind", "identifier", "label", "name", "developerName",
                                    "teamIdentifier", "bundleIdentifier", "associatedBundleIdentifiers",
                                    "registeredURLPath", "type", "disposition", "subItems"}));
  EXPECT_EQ(dropzone["scopeKind"], "currentUser");
  EXPECT_EQ(dropzone["type"], 2);
  EXPECT_EQ(dropzone["disposition"], 11);
  ASSERT_EQ(dropzone["subItems"].size(), 2u);
  const auto& agent = dropzone["subItems"][1];
  EXPECT_EQ(keysOf(agent), (Keys{"scopeUUID", "scopeKind", "identifier", "label", "name", "developerName",
                                 "teamIdentifier", "associatedBundleIdentifiers", "executablePath",
                                 "registeredURLPath", "type", "disposition", "subItems"}));
  EXPECT_EQ(agent["associatedBundleIdentifiers"], (OrderedJson{"com.dropzone.sync"}));
  EXPECT_EQ(agent["type"], 0x10008);
  EXPECT_EQ(agent["subItems"], OrderedJson::array());
  EXPECT_EQ(j["records"][4]["scopeKind"], "otherUser");

  // Without a scope the system's is used: this machine's own user is neither of the sample Mac's users
  // (and Linux has no such identifier).
  ASSERT_EQ(run({"--json"}), 0);
  EXPECT_EQ(json()["records"][0]["scopeKind"], LoginScopeIdentity::currentUserScopeUUID() ? "otherUser" : "unknown");
}

TEST_F(BackgroundItemsCommandTest, StatusValuesUnderTheirOwnNames) {
  ASSERT_EQ(run({}), 0);
  EXPECT_EQ(out, "Background items in " + store + "\nStatus: no store found\nScopes seen: none\n");

  // Degraded: one file read, one skipped.
  const std::string good = testing::backgroundItemsFileName(16, "0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9");
  testing::writeBackgroundItemsFile(store, good,
                                    testing::scopeArchive("0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9",
                                                          {SampleBackgroundItem{.identifier = "8.com.x"}}));
  const std::string bad = testing::backgroundItemsFileName(16, "11111111-2222-4333-8444-555555555555");
  SampleMac::writeFile(store + "/" + bad, "??");
  ASSERT_EQ(run({"--json"}), 0);
  EXPECT_EQ(json()["status"], (OrderedJson{{"kind", "degraded"}, {"version", 16}, {"filesParsed", 1},
                                           {"filesSkipped", 1}, {"truncated", false}}));

  // Unreadable: the same folder given with --store, without the layout.
  std::filesystem::remove(store + "/" + good);
  ASSERT_EQ(run({"--json", "--store", store}, false), 0);
  EXPECT_EQ(bad, "BackgroundItems-v16-11111111-2222-4333-8444-555555555555.btm");
  EXPECT_EQ(json(), (OrderedJson{{"records", OrderedJson::array()},
                                 {"status", {{"kind", "unreadableShape"}, {"version", 16}, {"files", {bad}}}},
                                 {"scopesSeen", OrderedJson::array()}}));

  // A store asked for that is not there is an error; the layout's own may be missing.
  ASSERT_EQ(run({"--json", "--store", store + "/absent"}), 1);
  EXPECT_EQ(out, "");
  EXPECT_EQ(err, "corvane background-items: no store at " + store + "/absent\n");

  for (int i = 0; i < 4097; ++i) std::ofstream(store + "/entry-" + std::to_string(i));
  ASSERT_EQ(run({"--json"}), 0);
  EXPECT_EQ(json()["status"], (OrderedJson{{"kind", "directoryEntryLimitExceeded"}}));
}

TEST_F(BackgroundItemsCommandTest, TextListing) {
  SampleBackgroundItem login{.identifier = "4.com.vendor.login", .name = "Vendor Login", .type = 4, .disposition = 0};
  SampleBackgroundItem app{.identifier = "2.com.vendor.app",
                           .name = "Vendor",
                           .url = "file:///Applications/Vendor.app/",
                           .type = 0x10002,
                           .disposition = 0xF,
                           .subItems = {login}};
  testing::writeBackgroundItemsFile(store, "BackgroundItems-v16.btm",
                                    testing::globalStoreArchive({{"0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9", {app}}}));
  ASSERT_EQ(run({"--scope", "0a1b2c3d-4e5f-4061-8293-a4b5c6d7e8f9"}), 0) << err;
  EXPECT_EQ(out,
            "Background items in " + store + "\n"
            "Status: read (version 16, 1 file)\n"
            "Scopes seen: 0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9\n"
            "\n"
            "NAME            IDENTIFIER          TYPE        STATE                               SCOPE        PATH\n"
            "Vendor          2.com.vendor.app    app         enabled, allowed, hidden, notified  currentUser  "
            "/Applications/Vendor.app\n"
            "  Vendor Login  4.com.vendor.login  login item  disabled                            currentUser  -\n");
}

TEST_F(BackgroundItemsCommandTest, AnInvalidScopeIsAUsageError) {
  for (const char* bad : {"me", "0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F", "0A1B2C3D_4E5F-4061-8293-A4B5C6D7E8F9", ""}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(run({"--scope", bad}), 64);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "corvane background-items: --scope needs a scope identifier such as "
                   "0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9, not \"" + std::string(bad) + "\"\n");
  }
  EXPECT_EQ(run({"--scope"}, false), 64);
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
}

testing::CliOutput assess(std::vector<std::string> args) {
  args.insert(args.begin(), "assess");
  return testing::runCli(args);
}

TEST(AssessCommandTest, PrintsEvidenceScoreFlagsAndTier) {
  struct Case {
    std::vector<std::string> args;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {{"/Users/me/Library/Caches/com.example.app", "--name", "Example", "--bundle-id", "com.example.app", "--kind",
        "cache"},
       "Path: /Users/me/Library/Caches/com.example.app\n"
       "Kind: Cache\n"
       "Evidence:\n"
       "  +70  Named exactly for this app's bundle identifier com.example.app.\n"
       "  +26  The filename contains the normalized application name.\n"
       "  +12  This is an app-scoped cache location.\n"
       "Score: 100\n"
       "Exact identity signal: yes\n"
       "Shared team only: no\n"
       "Tier: Safe to Remove\n"},
      // No evidence, and the default kind.
      {{"/tmp/unrelated", "--name", ""},
       "Path: /tmp/unrelated\nKind: Other\nEvidence: none\nScore: 0\nExact identity signal: no\n"
       "Shared team only: no\nTier: Review\n"},
      // JSON keeps the key order.
      {{"/Users/me/Library/Preferences/com.example.app.json", "--name", "Example", "--bundle-id", "com.example.app",
        "--signing-id", "com.example.app", "--kind", "preference", "--json"},
       "{\n"
       "  \"evidence\": [\n"
       "    {\n"
       "      \"kind\": \"Related helper or component\",\n"
       "      \"explanation\": \"Part of this app's identifier family - a helper or component of com.example.app.\",\n"
       "      \"weight\": 55\n"
       "    },\n"
       "    {\n"
       "      \"kind\": \"Application name\",\n"
       "      \"explanation\": \"The filename contains the normalized application name.\",\n"
       "      \"weight\": 26\n"
       "    },\n"
       "    {\n"
       "      \"kind\": \"Known location\",\n"
       "      \"explanation\": \"This is an app-scoped preference location.\",\n"
       "      \"weight\": 12\n"
       "    }\n"
       "  ],\n"
       "  \"score\": 93,\n"
       "  \"hasExactIdentitySignal\": false,\n"
       "  \"sharedTeamOnly\": false,\n"
       "  \"confidence\": \"Probably Leftover\"\n"
       "}\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0]);
    auto r = assess(c.args);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, c.expected);
  }
}

TEST(AssessCommandTest, ProtectedAndRunningFeedTheTierRule) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--protected"}, "Probably Leftover"}, {{"--running"}, "In Use"}};
  for (const auto& [extra, tier] : cases) {
    SCOPED_TRACE(tier);
    std::vector<std::string> args = {"/Library/Caches/com.example.app", "--name", "Ex", "--bundle-id",
                                     "com.example.app", "--kind", "cache"};
    args.insert(args.end(), extra.begin(), extra.end());
    auto r = assess(args);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.ends_with("\nTier: " + tier + "\n")) << r.out;
  }
}

TEST(AssessCommandTest, UsageErrorsPrintOneLineAndNothingElse) {
  const std::vector<std::vector<std::string>> bad = {
      {"/tmp/x", "--name", "A", "--kind", "bogus"},
      {"/tmp/x"},        // no --name
      {"--name", "A"},  // no PATH
      {"/tmp/x", "/tmp/y", "--name", "A"},
      {"relative/path", "--name", "A"},
      {"/tmp/x", "--name", "A", "--verbose"},
      {"/tmp/x", "--name"},
  };
  for (const auto& args : bad) {
    SCOPED_TRACE(::testing::PrintToString(args));
    auto r = assess(args);
    EXPECT_EQ(r.status, 64);
    EXPECT_EQ(r.out, "");
    ASSERT_FALSE(r.err.empty());
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1);  // exactly one line
    EXPECT_EQ(r.err.rfind("corvane assess: ", 0), 0u);
  }
  EXPECT_EQ(assess({"/tmp/x", "--name", "A", "--kind", "bogus"}).err,
            "corvane assess: unknown kind bogus (usage: corvane assess PATH --name NAME [--bundle-id ID] "
            "[--signing-id ID] [--team-id ID] [--kind KIND] [--protected] [--running] [--json])\n");
}

}  // namespace
}  // namespace corvane
