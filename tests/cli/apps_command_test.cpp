#include <gtest/gtest.h>


#include "cli/cli_capture.h"
#include "cli/commands.h"
#include "model/json_value.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

using testing::BundleInfo;
using testing::SampleMac;

class AppsCommandTest : public ::testing::Test {
 protected:
  int run(std::vector<std::string> args) {
    args.insert(args.begin(), "apps");
    for (const auto& a : {std::string("--root"), mac.root(), std::string("--home"), mac.home()}) args.push_back(a);
    auto result = testing::runCli(args);
    out = result.out;
    err = result.err;
    return result.status;
  }

  testing::TemporaryFolder tmp{"corvane-apps-cli"};
  SampleMac mac{tmp.path()};
  std::string out, err;
};

TEST_F(AppsCommandTest, PrintsATableSortedByName) {
  std::string zed = mac.addApp(BundleInfo{"Zed", "com.example.zed", "2.0", std::nullopt, {}});
  std::string calc = mac.addApp(mac.system("/System/Applications"),
                                BundleInfo{"Calculator", "com.example.calculator", "10.1", std::nullopt, {}});
  std::string bare = mac.addApp(mac.user("Applications"), BundleInfo{"bare", std::nullopt, std::nullopt, std::nullopt, {}});

  ASSERT_EQ(run({}), 0);
  EXPECT_EQ(err, "");
  EXPECT_EQ(out,
            "NAME        VERSION  BUNDLE IDENTIFIER       SYSTEM  PATH\n"
            "bare        -        -                       no      " + bare + "\n"
            "Calculator  10.1     com.example.calculator  yes     " + calc + "\n"
            "Zed         2.0      com.example.zed         no      " + zed + "\n"
            "3 applications\n");
}

TEST_F(AppsCommandTest, JsonIsTheListOfApplicationRecords) {
  std::string zed = mac.addApp(BundleInfo{"Zed", "com.example.zed", "2.0", std::nullopt, {}});
  std::string bare = mac.addApp(mac.user("Applications"), BundleInfo{"bare", std::nullopt, std::nullopt, std::nullopt, {}});

  ASSERT_EQ(run({"--json"}), 0);
  auto parsed = json::parse(out);
  ASSERT_TRUE(parsed.has_value());
  nlohmann::json expected = nlohmann::json::array({
      {{"url", Url::fileURL(bare).absoluteString()}, {"name", "bare"}, {"isSystemApplication", false}},
      {{"url", Url::fileURL(zed).absoluteString()},
       {"name", "Zed"},
       {"bundleIdentifier", "com.example.zed"},
       {"version", "2.0"},
       {"isSystemApplication", false}},
  });
  EXPECT_EQ(parsed.value(), expected);
}

TEST_F(AppsCommandTest, AnEmptyMacHasNoApplications) {
  ASSERT_EQ(run({}), 0);
  EXPECT_EQ(out, "No applications found.\n");
  ASSERT_EQ(run({"--json"}), 0);
  EXPECT_EQ(out, "[]\n");
  EXPECT_EQ(run({"extra"}), cli::kExitUsage);
}

}  // namespace
}  // namespace corvane
