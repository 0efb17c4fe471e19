#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "cli/cli_capture.h"
#include "cli/commands.h"
#include "corvane/login_scope_identity.h"
#include "model/json_value.h"
#include "sample_mac/background_items_builder.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

using testing::SampleBackgroundItem;
using testing::SampleMac;
using Keys = std::vector<std::string>;

Keys keysOf(const nlohmann::ordered_json& object) {
  Keys keys;
  for (auto it = object.begin(); it != object.end(); ++it) keys.push_back(it.key());
  return keys;
}

class BackgroundItemsCommandTest : public ::testing::Test {
 protected:
  int run(std::vector<std::string> args, bool withLayout = true) {
    args.insert(args.begin(), "background-items");
    if (withLayout)
      for (const auto& a : {std::string("--root"), mac.root(), std::string("--home"), mac.home()}) args.push_back(a);
    auto result = testing::runCli(args);
    out = result.out;
    err = result.err;
    return result.status;
  }
  // The output with its keys in the order written.
  nlohmann::ordered_json json() {
    auto parsed = nlohmann::ordered_json::parse(out, nullptr, false);
    EXPECT_FALSE(parsed.is_discarded()) << out;
    return parsed;
  }

  testing::TemporaryFolder tmp{"corvane-btm-cli"};
  SampleMac mac{tmp.path()};
  std::string store = testing::backgroundItemsFolder(mac);
  std::string out, err;
};

TEST_F(BackgroundItemsCommandTest, JSONOfTheSampleStore) {
  testing::addDemoBackgroundItems(mac);
  ASSERT_EQ(run({"--json", "--scope", testing::kDemoUserScope}), 0) << err;
  EXPECT_EQ(err, "");
  auto j = json();
  EXPECT_EQ(keysOf(j), (Keys{"records", "status", "scopesSeen"}));
  EXPECT_EQ(j["status"], (nlohmann::ordered_json{{"kind", "parsed"}, {"version", 16}, {"filesParsed", 1}}));
  EXPECT_EQ(j["scopesSeen"], (nlohmann::ordered_json{testing::kDemoUserScope, testing::kDemoOtherUserScope}));
  ASSERT_EQ(j["records"].size(), 5u);

  const auto& dropzone = j["records"][0];
  EXPECT_EQ(keysOf(dropzone), (Keys{"scopeUUID", "scopeKind", "identifier", "label", "name", "developerName",
                                    "teamIdentifier", "bundleIdentifier", "associatedBundleIdentifiers",
                                    "registeredURLPath", "type", "disposition", "subItems"}));
  EXPECT_EQ(dropzone["scopeKind"], "currentUser");
  EXPECT_EQ(dropzone["label"], "com.dropzone.sync");
  EXPECT_EQ(dropzone["registeredURLPath"], "/Applications/Dropzone Sync.app");
  EXPECT_EQ(dropzone["type"], 2);
  EXPECT_EQ(dropzone["disposition"], 11);
  ASSERT_EQ(dropzone["subItems"].size(), 2u);
  const auto& agent = dropzone["subItems"][1];
  EXPECT_EQ(keysOf(agent), (Keys{"scopeUUID", "scopeKind", "identifier", "label", "name", "developerName",
                                 "teamIdentifier", "associatedBundleIdentifiers", "executablePath",
                                 "registeredURLPath", "type", "disposition", "subItems"}));
  EXPECT_EQ(agent["identifier"], "8.com.dropzone.sync.agent");
  EXPECT_EQ(agent["associatedBundleIdentifiers"], (nlohmann::ordered_json{"com.dropzone.sync"}));
  EXPECT_EQ(agent["type"], 0x10008);
  EXPECT_EQ(agent["subItems"], nlohmann::ordered_json::array());
  EXPECT_EQ(j["records"][4]["scopeKind"], "otherUser");
}

TEST_F(BackgroundItemsCommandTest, StatusValuesUnderTheirOwnNames) {
  // Degraded: one file read, one skipped.
  testing::writeBackgroundItemsFile(store, testing::backgroundItemsFileName(16, "0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9"),
                                    testing::scopeArchive("0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9",
                                                          {SampleBackgroundItem{.identifier = "8.com.x"}}));
  SampleMac::writeFile(store + "/" + testing::backgroundItemsFileName(16, "11111111-2222-4333-8444-555555555555"), "??");
  ASSERT_EQ(run({"--json"}), 0);
  EXPECT_EQ(json()["status"], (nlohmann::ordered_json{{"kind", "degraded"}, {"version", 16}, {"filesParsed", 1},
                                              {"filesSkipped", 1}, {"truncated", false}}));

  // Unreadable: the same folder given with --store, without the layout.
  std::filesystem::remove(store + "/" + testing::backgroundItemsFileName(16, "0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9"));
  ASSERT_EQ(run({"--json", "--store", store}, false), 0);
  EXPECT_EQ(json(), (nlohmann::ordered_json{
                        {"records", nlohmann::ordered_json::array()},
                        {"status", {{"kind", "unreadableShape"}, {"version", 16},
                                    {"files", {"BackgroundItems-v16-11111111-2222-4333-8444-555555555555.btm"}}}},
                        {"scopesSeen", nlohmann::ordered_json::array()}}));

  ASSERT_EQ(run({"--json", "--store", store + "/absent"}), 0);
  EXPECT_EQ(json()["status"], (nlohmann::ordered_json{{"kind", "storeMissing"}}));

  for (int i = 0; i < 4097; ++i) std::ofstream(store + "/entry-" + std::to_string(i));
  ASSERT_EQ(run({"--json"}), 0);
  EXPECT_EQ(json()["status"], (nlohmann::ordered_json{{"kind", "directoryEntryLimitExceeded"}}));
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
            "  - Vendor · 2.com.vendor.app · app · enabled, allowed, hidden, notified · currentUser · /Applications/Vendor.app\n"
            "    - Vendor Login · 4.com.vendor.login · login item · disabled · currentUser\n");
}

TEST_F(BackgroundItemsCommandTest, EmptyFolderInText) {
  ASSERT_EQ(run({}), 0);
  EXPECT_EQ(out, "Background items in " + store + "\nStatus: no store found\nScopes seen: none\n");
}

TEST_F(BackgroundItemsCommandTest, WithoutAScopeTheSystemsIsUsed) {
  testing::addDemoBackgroundItems(mac);
  ASSERT_EQ(run({"--json"}), 0);
  // This machine's own user is neither of the sample Mac's users (and Linux has no such identifier).
  EXPECT_EQ(json()["records"][0]["scopeKind"], LoginScopeIdentity::currentUserScopeUUID() ? "otherUser" : "unknown");
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

}  // namespace
}  // namespace corvane
