#include <gtest/gtest.h>


#include "cli/cli_capture.h"
#include "cli/commands.h"
#include "model/json_value.h"
#include "sample_mac/bundle_components.h"
#include "sample_mac/macho_builder.h"
#include "sample_mac/receipts_builder.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

using testing::BundleInfo;
using testing::SampleMac;

class InspectCommandTest : public ::testing::Test {
 protected:
  int run(std::vector<std::string> args) {
    args.insert(args.begin(), "inspect");
    for (const auto& a : {std::string("--root"), mac.root(), std::string("--home"), mac.home()}) args.push_back(a);
    auto result = testing::runCli(args);
    out = result.out;
    err = result.err;
    return result.status;
  }

  // A signed Tool.app with a login item, a plug-in and a launch agent, and three receipts.
  std::string fullApp() {
    std::string app = mac.addApp(BundleInfo{"Tool", "com.vendor.tool", "3.0", std::nullopt, {}});
    auto binary = testing::buildSignedMachO("com.vendor.tool", "TEAM123456", {"TEAM123456.group.tool"});
    SampleMac::writeFile(app + "/Contents/MacOS/Tool", std::string(binary.begin(), binary.end()));
    testing::addNestedBundle(app, testing::kLoginItemsFolder, "ToolHelper.app", "com.vendor.tool.helper");
    testing::addNestedBundle(app, testing::kPlugInsFolder, "Share.appex", "com.vendor.tool.share");
    testing::addLaunchAgentDefinition(app, "agent.plist", testing::launchAgentDefinition("com.vendor.tool.agent"));
    testing::addReceipt(mac, "com.vendor.tool.pkg", "3.0", "/", {"Applications/Tool.app/Contents/Info.plist"});
    testing::addReceipt(mac, "com.vendor.tool.extras", "3.0", "/Library", {"Fonts/tool.ttf"});
    testing::addReceipt(mac, "com.other.thing", "1.0", "/", {"Applications/Other.app/Contents/Info.plist"});
    return app;
  }

  testing::TemporaryFolder tmp{"corvane-inspect-cli"};
  SampleMac mac{tmp.path()};
  std::string out, err;
};

TEST_F(InspectCommandTest, PrintsSignatureComponentsAndReceipts) {
  std::string app = fullApp();
  ASSERT_EQ(run({app}), 0);
  EXPECT_EQ(err, "");
  EXPECT_EQ(out,
            "App: Tool\n"
            "Location: " + app + "\n"
            "Bundle identifier: com.vendor.tool\n"
            "Version: 3.0\n"
            "\n"
            "Signature\n"
            "  Signing identifier: com.vendor.tool\n"
            "  Team identifier: TEAM123456\n"
            "  Application groups: TEAM123456.group.tool\n"
            "\n"
            "Embedded components\n"
            "  The app bundle contains 1 login item component: ToolHelper.app. These are contained inside the "
            "selected app bundle.\n"
            "  The app bundle contains 1 extension or plug-in component: Share.appex. These are contained inside "
            "the selected app bundle.\n"
            "  The app bundle declares 1 user launch agent: com.vendor.tool.agent.\n"
            "  Identifiers: com.vendor.tool.agent, com.vendor.tool.helper\n"
            "\n"
            "Installer receipts\n"
            "  com.vendor.tool.extras\n"
            "  com.vendor.tool.pkg -> /Applications/Tool.app\n");
}

TEST_F(InspectCommandTest, JsonHasSignatureEmbeddedAndReceipts) {
  std::string app = fullApp();
  ASSERT_EQ(run({app, "--json"}), 0);
  auto parsed = json::parse(out);
  ASSERT_TRUE(parsed.has_value());
  const nlohmann::json& j = parsed.value();

  std::vector<std::string> keys;
  for (const auto& item : j.items()) keys.push_back(item.key());
  EXPECT_EQ(keys, (std::vector<std::string>{"embedded", "receipts", "signature"}));  // parsed keys come sorted
  EXPECT_LT(out.find("\"signature\""), out.find("\"embedded\""));
  EXPECT_LT(out.find("\"embedded\""), out.find("\"receipts\""));
  EXPECT_EQ(j["signature"], (nlohmann::json{{"signingIdentifier", "com.vendor.tool"},
                                            {"teamIdentifier", "TEAM123456"},
                                            {"applicationGroups", {"TEAM123456.group.tool"}}}));
  EXPECT_EQ(j["embedded"]["identifiers"], (nlohmann::json{"com.vendor.tool.agent", "com.vendor.tool.helper"}));
  ASSERT_EQ(j["embedded"]["evidence"].size(), 3u);
  auto first = json::decode<MatchEvidence>(j["embedded"]["evidence"][0]);
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(first.value().kind, EvidenceKind::embeddedComponent);
  EXPECT_EQ(first.value().weight, 0);
  EXPECT_EQ(first.value().explanation,
            "The app bundle contains 1 login item component: ToolHelper.app. These are contained inside the "
            "selected app bundle.");
  EXPECT_EQ(j["receipts"], (nlohmann::json::array({
                               {{"packageID", "com.vendor.tool.extras"}},
                               {{"packageID", "com.vendor.tool.pkg"}, {"primaryPayloadAppPath", "/Applications/Tool.app"}},
                           })));
}

TEST_F(InspectCommandTest, AnUnsignedBareBundleHasEmptySections) {
  std::string app = mac.addApp(BundleInfo{"Go", std::nullopt, std::nullopt, std::nullopt, {}});
  ASSERT_EQ(run({app, "--json"}), 0);
  auto parsed = json::parse(out);
  ASSERT_TRUE(parsed.has_value());
  EXPECT_EQ(parsed.value(), (nlohmann::json{{"signature", {{"applicationGroups", nlohmann::json::array()}}},
                                            {"embedded",
                                             {{"evidence", nlohmann::json::array()},
                                              {"identifiers", nlohmann::json::array()}}},
                                            {"receipts", nlohmann::json::array()}}));
  ASSERT_EQ(run({app}), 0);
  EXPECT_NE(out.find("  Signing identifier: none\n  Team identifier: none\n  Application groups: none\n"),
            std::string::npos);
  EXPECT_NE(out.find("Embedded components\n  none\n  Identifiers: none\n\nInstaller receipts\n  none\n"),
            std::string::npos);
}

TEST_F(InspectCommandTest, AMissingBundleIsAnError) {
  EXPECT_EQ(run({tmp.path() + "/Nowhere.app"}), cli::kExitFailure);
  EXPECT_EQ(out, "");
  EXPECT_EQ(err, "corvane inspect: no application bundle at " + tmp.path() + "/Nowhere.app\n");
  EXPECT_EQ(run({}), cli::kExitUsage);
}

}  // namespace
}  // namespace corvane
