#include "corvane/discovery/homebrew_inspector.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

// Each test writes shell scripts that stand in for brew: they log their arguments, one per line, next
// to themselves and print canned output.
class HomebrewInspectorTest : public ::testing::Test {
 protected:
  std::string brew(const std::string& name, const std::string& body) {
    std::string path = folder_.path() + "/" + name;
    testing::SampleMac::writeFile(path, "#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" + path + ".log'\n" + body);
    fs::permissions(path, fs::perms::owner_all);
    return path;
  }
  std::string missing(const std::string& name) const { return folder_.path() + "/" + name; }
  static std::optional<std::string> log(const std::string& brewPath) {
    std::ifstream in(brewPath + ".log");
    if (!in) return std::nullopt;
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  HomebrewInspector inspector(std::vector<std::string> paths) const { return HomebrewInspector(runner_, paths); }

  testing::TemporaryFolder folder_{"corvane-brew"};
  std::shared_ptr<const CommandRunning> runner_ = std::make_shared<CommandRunner>();
};

TEST_F(HomebrewInspectorTest, ListingMovesOnPastMissingFailingAndGarbledTools) {
  std::string gone = missing("gone/brew");
  std::string failing = brew("failing", "echo 'Error: something broke'\necho 'stale-token'\nexit 1\n");
  std::string garbled = brew("garbled", "printf 'tok\\377\\376en\\n'\n");
  std::string good = brew("good", "echo firefox\n");
  std::string unused = brew("unused", "echo never\n");

  EXPECT_EQ(inspector({gone, failing, garbled, good, unused}).installedCaskTokens(),
            (std::vector<std::string>{"firefox"}));
  EXPECT_EQ(log(failing), "list\n--cask\n");
  EXPECT_EQ(log(garbled), "list\n--cask\n");
  EXPECT_EQ(log(unused), std::nullopt) << "paths after the first answer are not tried";

  // No answering tool means no tokens; an empty listing is an answer: nothing is installed.
  std::string empty = brew("empty", "exit 0\n");
  EXPECT_TRUE(inspector({}).installedCaskTokens().empty());
  EXPECT_TRUE(inspector({missing("a"), brew("fails", "echo firefox\nexit 2\n")}).installedCaskTokens().empty());
  EXPECT_TRUE(inspector({empty, unused}).installedCaskTokens().empty());
  EXPECT_EQ(log(unused), std::nullopt);
}

TEST_F(HomebrewInspectorTest, FindsTheCaskOfAnAppByName) {
  std::string b = brew("brew", "printf 'sample-studio\\nsample-studio-pro\\nsamplestudiopro\\n'\n");
  EXPECT_EQ(inspector({b}).caskToken("Sample Studio Pro"), "sample-studio-pro");
  EXPECT_EQ(inspector({b}).caskToken("Sample Studio Lite"), std::nullopt);
  EXPECT_EQ(inspector({missing("no-brew")}).caskToken("Sample Studio Pro"), std::nullopt);
}

TEST_F(HomebrewInspectorTest, AFailedUninstallIsReportedAndNoFurtherPathIsTried) {
  std::string failing = brew("failing", "echo 'Error: Cask sample is not installed.' >&2\nexit 1\n");
  std::string other = brew("other", "echo uninstalled\n");
  EXPECT_EQ(inspector({failing, other}).uninstallCask("sample"),
            (HomebrewCaskUninstallResult{false, "Error: Cask sample is not installed."}));
  EXPECT_EQ(log(other), std::nullopt);

  // A tool killed part-way has a status too: it ran, so it is the answer.
  std::string killed = brew("killed", "echo 'starting'\nkill -KILL $$\n");
  EXPECT_EQ(inspector({killed, other}).uninstallCask("sample"), (HomebrewCaskUninstallResult{false, "starting"}));
  EXPECT_EQ(log(other), std::nullopt);

  // Garbled output is reported as empty, with the status kept.
  std::string garbled = brew("garbled", "printf '\\377\\376'\nexit 0\n");
  EXPECT_EQ(inspector({garbled}).uninstallCask("sample"), (HomebrewCaskUninstallResult{true, ""}));
}

TEST_F(HomebrewInspectorTest, UninstallWithoutATokenOrWithoutBrewRunsNothing) {
  std::string b = brew("brew", "echo removed\n");
  for (const char* blank : {"", "   ", "\n\t \r\n"}) {
    EXPECT_EQ(inspector({b}).uninstallCask(blank),
              (HomebrewCaskUninstallResult{false, "No Homebrew cask token to reconcile."}));
  }
  EXPECT_EQ(log(b), std::nullopt);

  HomebrewCaskUninstallResult notFound{false, "Homebrew was not found; nothing to reconcile."};
  EXPECT_EQ(inspector({}).uninstallCask("sample"), notFound);
  EXPECT_EQ(inspector({missing("one"), missing("two")}).uninstallCask("sample"), notFound);
  EXPECT_EQ(HomebrewInspector(nullptr, {b}).uninstallCask("sample"), notFound);
  EXPECT_EQ(log(b), std::nullopt);
}

}  // namespace
}  // namespace corvane
