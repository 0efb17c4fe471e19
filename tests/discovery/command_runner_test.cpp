#include "corvane/command_runner.h"

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

TEST_F(CommandRunnerTest, ReturnsStandardOutputUntrimmedAndDiscardsStandardError) {
  std::string tool = script("tool", "printf ' hello\\nworld\\n'\necho oops >&2\n");
  EXPECT_EQ(runner_.run(tool, {}), std::optional<std::string>(" hello\nworld\n"));
}

TEST_F(CommandRunnerTest, WithStatusInterleavesBothStreamsAndTrims) {
  std::string tool = script("tool", "echo one\necho two >&2\necho three\nexit 0\n");
  EXPECT_EQ(runner_.runWithStatus(tool, {}), (CommandOutcome{0, "one\ntwo\nthree"}));

  std::string blank = script("blank", "printf ' \\t\\n lead\\n\\n'\n");
  EXPECT_EQ(runner_.runWithStatus(blank, {}), (CommandOutcome{0, "lead"}));
}

TEST_F(CommandRunnerTest, NoOutputIsEmptyTextNotNothing) {
  std::string tool = script("quiet", "exit 0\n");
  EXPECT_EQ(runner_.run(tool, {}), std::optional<std::string>(""));
  EXPECT_EQ(runner_.runWithStatus(tool, {}), (CommandOutcome{0, ""}));

  std::string errorsOnly = script("errors-only", "echo 'only on stderr' >&2\n");
  EXPECT_EQ(runner_.run(errorsOnly, {}), std::optional<std::string>(""));
  EXPECT_EQ(runner_.runWithStatus(errorsOnly, {}), (CommandOutcome{0, "only on stderr"}));
}

TEST_F(CommandRunnerTest, NonZeroExitIsNothingForRunAndAStatusForRunWithStatus) {
  std::string tool = script("fails", "echo 'partial answer'\nexit 3\n");
  EXPECT_EQ(runner_.run(tool, {}), std::nullopt);
  EXPECT_EQ(runner_.runWithStatus(tool, {}), (CommandOutcome{3, "partial answer"}));
}

TEST_F(CommandRunnerTest, AToolKilledByASignalReports128PlusTheSignal) {
  std::string tool = script("killed", "echo before\nkill -KILL $$\necho after\n");
  EXPECT_EQ(runner_.run(tool, {}), std::nullopt);
  EXPECT_EQ(runner_.runWithStatus(tool, {}), (CommandOutcome{128 + 9, "before"}));
}

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

TEST_F(CommandRunnerTest, OutputThatIsNotUTF8IsNothingOrEmptyText) {
  std::string invalid = script("latin1", "printf 'caf\\351\\n'\n");
  EXPECT_EQ(runner_.run(invalid, {}), std::nullopt);
  EXPECT_EQ(runner_.runWithStatus(invalid, {}), (CommandOutcome{0, ""}));

  std::string failing = script("latin1-fails", "printf 'caf\\351\\n'\nexit 2\n");
  EXPECT_EQ(runner_.runWithStatus(failing, {}), (CommandOutcome{2, ""}));

  std::string valid = script("utf8", "printf 'caf\\303\\251\\n'\n");
  EXPECT_EQ(runner_.run(valid, {}), std::optional<std::string>("caf\xC3\xA9\n"));
}

TEST_F(CommandRunnerTest, ArgumentsArePassedVerbatimWithoutAShell) {
  std::string tool = script("args", "for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done\n");
  std::vector<std::string> arguments = {"two words", "it's \"quoted\"", "$HOME", "*", "; rm -rf /", ""};
  EXPECT_EQ(runner_.run(tool, arguments),
            std::optional<std::string>("[two words]\n[it's \"quoted\"]\n[$HOME]\n[*]\n[; rm -rf /]\n[]\n"));
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

TEST_F(CommandRunnerTest, TheToolSeesItsPathAsArgumentZero) {
  std::string tool = script("name", "printf '%s' \"$0\"\n");
  EXPECT_EQ(runner_.run(tool, {}), std::optional<std::string>(tool));
}

}  // namespace
}  // namespace corvane
