// corvane doctor, and the line analyze and orphans end with when a searched location is denied.

#include <gtest/gtest.h>

#include <filesystem>

#include "cli/cli_capture.h"
#include "corvane/discovery/command_runner.h"
#include "sample_mac/demo_mac.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(DoctorCommandTest, SaysWhatItCanReadWhatItFoundAndWhatItKeeps) {
  testing::TemporaryFolder tmp;
  testing::SampleMac mac{tmp.path()};
  testing::buildDemoMac(mac);
  const std::vector<std::string> layout = {"--root", mac.root(), "--home", mac.home()};
  auto args = [&](std::vector<std::string> a) {
    a.insert(a.end(), layout.begin(), layout.end());
    return a;
  };
  auto doctor = testing::runCli(args({"doctor"}));
  ASSERT_EQ(doctor.status, 0) << doctor.err;
  for (const std::string line : {"\n  readable  ~/Library/Caches\n", "\n  missing   ~/Library/Daemon Containers\n",
                                 "\n  readable  /Library/LaunchDaemons\n", "\n  readable  /var/db/receipts\n",
                                 "\n  readable  ~/.Trash\n",
                                 "\nFiles Corvane keeps\n  history       ~/Library/Application Support/Corvane/"
                                 "history.json: not written yet\n"})
    EXPECT_TRUE(contains(doctor.out, line)) << line << doctor.out;
  EXPECT_TRUE(contains(doctor.out, " missing, 0 denied)\n")) << doctor.out;
  EXPECT_TRUE(contains(testing::runCli(args({"doctor", "--host-paths"})).out, "  readable  " + mac.user("Library/Caches") + "\n"));

  // An ordinary user denied one folder: doctor names it, analyze says a location was not read.
  CommandRunner shell;
  ASSERT_EQ(shell.runWithStatus("/bin/chmod", {"755", tmp.path()}).status, 0);
  fs::permissions(mac.system("/Library/LaunchDaemons"), fs::perms::owner_all);
  auto asUser = [&](std::vector<std::string> a) {
    a = args(std::move(a));
    a.insert(a.begin(), {"-c", "exec setpriv --reuid=65534 --regid=65534 --clear-groups \"$@\"", "sh", CORVANE_CLI_PATH});
    return shell.runWithStatus("/bin/sh", a);
  };
  auto denied = asUser({"doctor"});
  EXPECT_EQ(denied.status, 0) << denied.output;
  EXPECT_TRUE(contains(denied.output, "\n  denied    /Library/LaunchDaemons\n")) << denied.output;
  EXPECT_TRUE(contains(denied.output, " missing, 1 denied)\n")) << denied.output;
  auto analyzed = asUser({"analyze", mac.system("/Applications/Beacon VPN.app"), "--base-rules-only"});
  EXPECT_EQ(analyzed.status, 0) << analyzed.output;
  EXPECT_TRUE(analyzed.output.ends_with("\n1 searched location could not be read (see corvane doctor).")) << analyzed.output;
  EXPECT_FALSE(contains(testing::runCli(args({"analyze", "Beacon VPN"})).out, "could not be read"));
}

}  // namespace
}  // namespace corvane
