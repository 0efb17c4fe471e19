// Paths given on the command line, relative to the working folder, and the help each command prints.

#include <gtest/gtest.h>

#include <set>

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
            "corvane apps: option --root needs a path (usage: corvane apps [--json] [--names] [--root DIR] [--home DIR])\n");
  // An empty APP is a bad command line like any other.
  for (const std::string command : {"analyze", "inspect", "uninstall"}) {
    const auto noApp = runCli({command, "", "--root", mac.root(), "--home", mac.home()});
    EXPECT_EQ(noApp.status, 64) << command;
    EXPECT_TRUE(noApp.err.starts_with("corvane " + command + ": APP is empty: give an app's path, name or bundle "
                                      "identifier (usage: corvane " + command + " APP"))
        << noApp.err;
  }

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
                                "Moved 3 items to the Trash (1.2 MB);"),
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

TEST(CommandHelpTest, EveryOptionTheParserTakesIsDescribedOnce) {
  for (const auto& command : cli::allCommands()) {
    SCOPED_TRACE(command.name);
    std::set<std::string> parsed = command.options.flags, described;
    parsed.insert(command.options.values.begin(), command.options.values.end());
    if (command.options.layout) parsed.insert({"--root", "--home", "--host-paths"});
    const auto help = runCli({command.name, "--help"});
    EXPECT_EQ(help.status, 0);
    for (const auto& o : cli::documentedOptions(command)) {
      EXPECT_TRUE(described.insert(o.name).second) << o.name << " is described twice";
      EXPECT_FALSE(o.help.empty()) << o.name;
      // An option that takes a value names it; a flag names none.
      EXPECT_EQ(o.value.empty(), command.options.flags.count(o.name) == 1 || o.name == "--host-paths") << o.name;
      const std::string line = "  " + o.name + (o.value.empty() ? "" : " " + o.value) + " ";
      EXPECT_NE(help.out.find(line), std::string::npos) << line << help.out;
      EXPECT_NE(help.out.find(o.help + "\n"), std::string::npos) << o.help;
      for (const auto& value : o.accepted) EXPECT_NE(o.help.find(value), std::string::npos) << o.name << " " << value;
    }
    EXPECT_EQ(described, parsed);
  }
  EXPECT_EQ(runCli({"analyze", "--help"}).out,
            "usage: corvane analyze APP|--removed BUNDLE-ID [--json] [--sort recommended|name|size|dateModified] "
            "[--ascending|--descending] [--explain] [--base-rules-only] [--root DIR] [--home DIR]\n"
            "Finds what belongs to an app, or to a gone app it once listed (--removed), and grades each item, with the "
            "evidence for it.\n\nOptions:\n"
            "  --removed BUNDLE-ID  analyses a gone app instead, from what Corvane remembers of it (its leftovers)\n"
            "  --json               prints the snapshot as JSON (see docs/json.md) instead of the listing\n"
            "  --sort KEY           orders the findings by KEY: recommended (tier, then score; the default), name, "
            "size (the total shown) or dateModified; any case, or as labelled (\"Date modified\")\n"
            "  --ascending          sorts smallest, earliest or least safe first\n"
            "  --descending         sorts largest, latest or safest first (each key has its own default)\n"
            "  --explain            lists the evidence below each finding, with its weight\n"
            "  --base-rules-only    matches with the base rules only, without the extended matching\n"
            "  --root DIR           the folder standing for \"/\" on the Mac to read (default: this machine)\n"
            "  --home DIR           the user's home folder on that Mac (default: your home folder)\n"
            "  --host-paths         shows paths as they lie on this machine, not as the Mac shows them (~/Library/...)\n");
  EXPECT_EQ(runCli({"explain", "-h"}).out,
            "usage: corvane explain\nExplains how Corvane decides what is safe to remove.\n");
  for (const char* name : {"analyze", "apps", "background-items", "history", "inspect", "uninstall", "watch", "orphans",
                           "trash", "doctor", "leftover-check"})
    EXPECT_NE(runCli({name, "--help"}).out.find(" [--root DIR] [--home DIR]\n"), std::string::npos) << name;
}

}  // namespace
}  // namespace corvane
