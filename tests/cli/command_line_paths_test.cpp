// Paths given on the command line, relative to the working folder, and the help each command prints.

#include <gtest/gtest.h>

#include "cli/cli_capture.h"
#include "cli/commands.h"
#include "corvane/discovery/command_runner.h"
#include "corvane/history/history_store.h"
#include "sample_mac/demo_mac.h"

namespace corvane {
namespace {

using testing::runCli;

class CommandLinePathsTest : public ::testing::Test {
 protected:
  testing::TemporaryFolder tmp{"corvane-cli-paths"};
  testing::SampleMac mac{tmp.path()};
  std::vector<testing::DemoApp> apps = testing::buildDemoMac(mac);
  std::string applications() const { return mac.root() + "/Applications"; }
};

TEST_F(CommandLinePathsTest, RelativePathsAreTakenFromTheWorkingFolderAndStandardised) {
  const auto absolute =
      runCli({"analyze", applications() + "/Beacon VPN.app", "--base-rules-only", "--root", mac.root(), "--home", mac.home()});
  ASSERT_EQ(absolute.status, 0) << absolute.err;
  ASSERT_NE(absolute.out.find("10 items found, 5 selectable\n"), std::string::npos) << absolute.out;

  const std::vector<std::vector<std::string>> spellings = {
      {"Beacon VPN.app", "--root", "..", "--home", "../../home"},
      {"./Beacon VPN.app/", "--root=../", "--home=..//../home/."},
      {"../Applications/../Applications//Beacon VPN.app", "--root", "../Applications/..", "--home", "../../home/"},
  };
  for (auto args : spellings) {
    SCOPED_TRACE(args[0] + " " + args[2]);
    args.insert(args.begin(), {"analyze", "--base-rules-only"});
    const auto relative = runCli(args, "", applications());
    EXPECT_EQ(relative.status, 0) << relative.err;
    EXPECT_EQ(relative.out, absolute.out);
  }

  const std::string store = "root/private/var/db/com.apple.backgroundtaskmanagement";
  EXPECT_EQ(
      runCli({"background-items", "--store", store + "/", "--root", "root", "--home", "home"}, "", tmp.path()).out,
      runCli({"background-items", "--store", tmp.path() + "/" + store, "--root", mac.root(), "--home", mac.home()})
          .out);
}

TEST_F(CommandLinePathsTest, AnEmptyPathOrAnUnknownWorkingFolderIsAUsageError) {
  const auto empty = runCli({"apps", "--root", ""}, "", "/");
  EXPECT_EQ(empty.status, 64);
  EXPECT_EQ(empty.err,
            "corvane apps: option --root needs a path (usage: corvane apps [--json] [--root DIR] [--home DIR])\n");

  cli::ParsedArguments parsed;
  cli::OptionSpec spec;
  spec.maxPositional = 1;
  spec.positionalPaths = true;
  EXPECT_EQ(cli::parseArguments({"Tool.app"}, spec, std::nullopt, parsed),
            "the working folder is unknown: give the argument as an absolute path");
  EXPECT_EQ(cli::parseArguments({"/a/./b/../Tool.app/"}, spec, std::nullopt, parsed), std::nullopt);
  EXPECT_EQ(parsed.positional, std::vector<std::string>{"/a/Tool.app"});
}

// The built tool, started in a folder inside the sample Mac with every path relative to it.
TEST_F(CommandLinePathsTest, TheToolRunInsideTheSampleMacMovesAndRecordsProperURLs) {
  const CommandOutcome outcome = CommandRunner().runWithStatus(
      "/bin/sh",
      {"-c", "cd \"$1\" && exec \"$2\" uninstall 'Beacon VPN.app' --base-rules-only --select safe --yes --root .. --home ../../home",
       "sh", applications(), CORVANE_CLI_PATH});
  ASSERT_EQ(outcome.status, 0) << outcome.output;
  EXPECT_NE(outcome.output.find("10 items found, 5 selectable\n"), std::string::npos) << outcome.output;
  EXPECT_NE(outcome.output.find("  moved  /Applications/Beacon VPN.app -> ~/.Trash/Beacon VPN.app\n"
                                "Moved 3 of 3 items to the Trash (1.2 MB);"),
            std::string::npos)
      << outcome.output;

  const std::string history =
      testing::SampleMac::readFile(mac.user("Library/Application Support/Corvane/history.json"));
  for (std::size_t at = history.find("file://"); at != std::string::npos; at = history.find("file://", at + 1))
    ASSERT_EQ(history.compare(at, 8, "file:///"), 0) << history.substr(at, 80);
  HistoryStore store(HistoryFileManager::system(), Layout::at(mac.root(), mac.home()));
  ASSERT_EQ(store.records().size(), 1u);
  const UninstallRecord& record = store.records().front();
  EXPECT_EQ(record.succeededCount(), 3);
  EXPECT_EQ(record.operations.back().originalURL, Url::fileURL(applications() + "/Beacon VPN.app"));
  EXPECT_EQ(record.operations.back().trashedURL, Url::fileURL(mac.home() + "/.Trash/Beacon VPN.app"));
}

TEST(CommandHelpTest, EachCommandListsTheLayoutOptionsItTakes) {
  const std::string layoutLines =
      "\n"
      "  --root DIR  the folder standing for \"/\" on the Mac to read (default: this machine)\n"
      "  --home DIR  the user's home folder on that Mac (default: your home folder)\n";
  auto analyze = runCli({"analyze", "--help"});
  EXPECT_EQ(analyze.status, 0);
  EXPECT_EQ(analyze.out,
            "usage: corvane analyze APP|--removed BUNDLE-ID [--json] [--sort recommended|name|size|dateModified] "
            "[--ascending|--descending] [--explain] [--base-rules-only] [--root DIR] [--home DIR]\n"
            "Finds what belongs to an app, or to a gone app it once listed (--removed), and grades each item, with the "
            "evidence for it.\n" +
                layoutLines);
  EXPECT_EQ(runCli({"assess", "-h"}).out,
            "usage: corvane assess PATH --name NAME [--bundle-id ID] [--signing-id ID] [--team-id ID] [--kind KIND] "
            "[--protected] [--running] [--json]\n"
            "Shows the evidence that a path belongs to an app, its score and the tier it earns.\n");

  const std::vector<std::pair<std::string, bool>> commands = {
      {"analyze", true},  {"apps", true},    {"assess", false}, {"background-items", true}, {"demo", false},
      {"explain", false}, {"history", true}, {"inspect", true}, {"uninstall", true}, {"watch", true}};
  for (const auto& [name, takesLayout] : commands) {
    SCOPED_TRACE(name);
    const auto help = runCli({name, "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.find(" [--root DIR] [--home DIR]\n") != std::string::npos, takesLayout) << help.out;
    EXPECT_EQ(help.out.ends_with(layoutLines), takesLayout) << help.out;
  }
}

}  // namespace
}  // namespace corvane
