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

TEST(HomebrewCaskMatching, NormalisedNamesMatchTokensExactly) {
  struct Case {
    std::string appName;
    std::vector<std::string> tokens;
    std::optional<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"Sample Studio Pro", {"firefox", "sample-studio-pro"}, "sample-studio-pro"},
      {"Notes2", {"notes", "notes2", "notes-2"}, "notes2"},
      {"Visual Studio Code", {"visual-studio-code@insiders", "visual-studio-code", "visualstudiocode"},
       "visual-studio-code"},
      {"Visual Studio Code", {"visualstudiocode", "visual-studio-code"}, "visualstudiocode"},
      {"Zoom", {"zoom-us", "zoomit"}, std::nullopt},
      {"FIREFOX", {"Firefox"}, "Firefox"},
      {"Café Éditeur", {"cafe-editeur", "café-éditeur"}, "café-éditeur"},
      {"1Password 7", {"1password7"}, "1password7"},
      // A name without letters or digits matches nothing, not even a token that normalises to nothing.
      {"+++", {"", "-", "+++"}, std::nullopt},
      {"", {""}, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.appName);
    EXPECT_EQ(HomebrewInspector::matchingCaskToken(c.appName, c.tokens), c.expected);
  }
  EXPECT_EQ(HomebrewInspector::normalize("Sample Studio Pro"), "samplestudiopro");
  EXPECT_EQ(HomebrewInspector::normalize("sample-studio-pro"), "samplestudiopro");
  EXPECT_EQ(HomebrewInspector::normalize("A.b_c (d) ™ 2½"), "abcd2½");
}

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

TEST_F(HomebrewInspectorTest, ListsTokensInOrderFromTrimmedNonEmptyLines) {
  // U+2028 and U+0085 end lines too; a no-break space is neither a blank nor a tab, so it stays.
  std::string b = brew("brew",
                       "printf 'alpha\\342\\200\\250beta\\302\\205gamma\\n\\302\\240delta\\n'\n"
                       "printf 'firefox\\n\\n  sample-studio-pro\\t\\r\\n \\t \\nnotes2\\vzed\\fiterm2'\n");
  EXPECT_EQ(inspector({b}).installedCaskTokens(), (std::vector<std::string>{"alpha", "beta", "gamma", "\u00A0delta",
                                                                           "firefox", "sample-studio-pro", "notes2",
                                                                           "zed", "iterm2"}));
  EXPECT_EQ(log(b), "list\n--cask\n");
}

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

TEST_F(HomebrewInspectorTest, UninstallSkipsPathsThatCannotBeLaunchedAndReportsTrimmedCombinedOutput) {
  std::string notExecutable = testing::SampleMac::writeFile(folder_.path() + "/plain", "#!/bin/sh\necho hi\n");
  fs::permissions(notExecutable, fs::perms::owner_read | fs::perms::owner_write);
  std::string b = brew("brew",
                       "echo '==> Uninstalling Cask sample-studio-pro'\n"
                       "echo 'Warning: not all files removed' >&2\n"
                       "printf '==> Purging files\\n\\n'\n");
  EXPECT_EQ(inspector({missing("opt/brew"), notExecutable, b}).uninstallCask(" \tsample-studio-pro\n"),
            (HomebrewCaskUninstallResult{true,
                                         "==> Uninstalling Cask sample-studio-pro\n"
                                         "Warning: not all files removed\n"
                                         "==> Purging files"}));
  EXPECT_EQ(log(b), "uninstall\n--cask\n--force\nsample-studio-pro\n");
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
