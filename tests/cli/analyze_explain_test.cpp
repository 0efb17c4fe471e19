// analyze --explain keeps the record of what the system's ownership withheld, and why.

#include <gtest/gtest.h>

#include "cli/cli_capture.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

TEST(AnalyzeExplainTest, WhatTheSystemOwnsIsWithheldWithItsClaim) {
  testing::TemporaryFolder tmp;
  testing::SampleMac mac(tmp.path());
  const std::string app = mac.addApp({"GeoServices", "com.thirdparty.geoservices", "1.0", std::nullopt, {}});
  mac.makeFolder(mac.user("Library/Caches/GeoServices"));
  const std::string section = "\nNot offered, the system's own or shared by many apps (1)\n";
  const std::string record =
      "~/Library/Caches/GeoServices\n"
      "         +42  The filename exactly matches the application name.\n"
      "         +12  This is an app-scoped cache location.\n"
      "          +0  Caches/GeoServices belongs to macOS (seen: macOS 14 ~/Library/Caches), so it is never offered to "
      "an app that is not Apple's own.\n";
  for (bool baseRules : {false, true}) {
    std::vector<std::string> args = {"analyze", app, "--explain", "--root", mac.root(), "--home", mac.home()};
    if (baseRules) args.push_back("--base-rules-only");
    const auto run = testing::runCli(args);
    ASSERT_EQ(run.status, 0) << run.err;
    const auto withheld = run.out.find(section);
    EXPECT_EQ(withheld != std::string::npos, !baseRules) << run.out;
    // Offered by the base rules alone; otherwise only on the record, after the section's heading.
    const auto at = run.out.find("Probably Leftover  54  Cache");
    ASSERT_NE(at, std::string::npos) << run.out;
    EXPECT_EQ(at > withheld && withheld != std::string::npos, !baseRules);
    EXPECT_EQ(run.out.find(record) != std::string::npos, !baseRules) << run.out;
  }
}

}  // namespace
}  // namespace corvane
