#include "corvane/discovery/command_runner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

class CommandRunnerTest : public ::testing::Test {
 protected:
  // Writes an executable shell script into the test's folder and returns its path.
  std::string script(const std::string& name, const std::string& body) {
    std::string path = folder_.path() + "/" + name;
    testing::SampleMac::writeFile(path, "#!/bin/sh\n" + body);
    fs::permissions(path, fs::perms::owner_all);
    return path;
  }

  testing::TemporaryFolder folder_{"corvane-runner"};
  CommandRunner runner_;
};

TEST_F(CommandRunnerTest, ALaunchFailureIsNothingOrMinusOneWithADescription) {
  std::string missing = folder_.path() + "/no-such-tool";
  EXPECT_EQ(runner_.run(missing, {}), std::nullopt);
  EXPECT_EQ(runner_.runWithStatus(missing, {}),
            (CommandOutcome{-1, "The tool " + missing + " could not be launched: No such file or directory"}));

  std::string notExecutable = testing::SampleMac::writeFile(folder_.path() + "/plain", "#!/bin/sh\necho hi\n");
  fs::permissions(notExecutable, fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(runner_.run(notExecutable, {}), std::nullopt);
  CommandOutcome outcome = runner_.runWithStatus(notExecutable, {});
  EXPECT_EQ(outcome, (CommandOutcome{-1, "The tool " + notExecutable + " could not be launched: Permission denied"}));

  // A runner without callbacks launches nothing, and says so.
  EXPECT_EQ(CommandRunning{}.run(missing, {}), std::nullopt);
  EXPECT_EQ(CommandRunning{}.runWithStatus(missing, {}), (CommandOutcome{-1, "no command runner"}));
}

TEST_F(CommandRunnerTest, OutputLargerThanAPipeIsReadWholeAndInOrder) {
  // 160,000 distinct numbered lines (about 1.8 MB): any loss, reordering or deadlock shows.
  std::string tool = script("large", "awk 'BEGIN { for (i = 0; i < 160000; i++) print \"line \" i }'\n");
  std::optional<std::string> output = runner_.run(tool, {});
  ASSERT_TRUE(output.has_value());
  std::string expected;
  for (int i = 0; i < 160000; ++i) expected += "line " + std::to_string(i) + "\n";
  ASSERT_GT(expected.size(), 1u << 20);
  EXPECT_EQ(*output, expected);

  CommandOutcome withStatus = runner_.runWithStatus(tool, {});
  EXPECT_EQ(withStatus.status, 0);
  EXPECT_EQ(withStatus.output, expected.substr(0, expected.size() - 1));
}

TEST_F(CommandRunnerTest, TheToolInheritsNoOtherEndOfItsOutputPipe) {
  if (!fs::exists("/proc/self/fd")) GTEST_SKIP() << "no /proc/self/fd to list descriptors";
  // Prints each descriptor above 2 that refers to the same pipe as standard output.
  std::string tool = script("fds",
                            "out=$(readlink /proc/$$/fd/1)\n"
                            "for f in /proc/$$/fd/*; do\n"
                            "  n=${f##*/}; [ \"$n\" -gt 2 ] || continue\n"
                            "  [ \"$(readlink $f)\" = \"$out\" ] && echo \"$n\"\n"
                            "done\n"
                            "exit 0\n");
  EXPECT_EQ(runner_.run(tool, {}), std::optional<std::string>(""));
}

}  // namespace
}  // namespace corvane
