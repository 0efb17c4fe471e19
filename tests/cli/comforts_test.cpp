// APP by name or identifier on the command line, --version, completions, the man page, the README's command
// list and colours.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "cli/accepted_names.h"
#include "cli/cli_capture.h"
#include "cli/command_docs.h"
#include "cli/snapshot_text.h"
#include "cli/terminal_text.h"
#include "report/trash_text.h"
#include "corvane/analysis/transparency_content.h"
#include "corvane/orphans/leftover_check.h"
#include "corvane/orphans/orphan_guidance.h"
#include "corvane/base/version.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

using testing::BundleInfo;

std::string fileText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(AppArgumentTest, CommandsTakeAppsByNameOnTheLayout) {
  testing::TemporaryFolder tmp{"corvane-app-arg"};
  testing::SampleMac mac{tmp.path()};
  const std::string bundle = mac.addApp(BundleInfo{"Zed Editor", "com.example.zed", "2.0", std::nullopt, {}});
  auto run = [&](std::vector<std::string> args) {
    for (const auto& a : {std::string("--root"), mac.root(), std::string("--home"), mac.home()}) args.push_back(a);
    return testing::runCli(args, "n\n");
  };
  auto analyzed = run({"analyze", "zed editor"});
  EXPECT_EQ(analyzed.status, 0) << analyzed.err;
  EXPECT_TRUE(analyzed.out.starts_with("Zed Editor (com.example.zed)  /Applications/Zed Editor.app\n")) << analyzed.out;
  auto inspected = run({"inspect", "com.example.zed", "--json"});
  EXPECT_EQ(inspected.status, 0) << inspected.err;
  auto missing = run({"uninstall", "zed", "--select", "all"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "corvane uninstall: no application is named or identified as \"zed\"; did you mean \"Zed Editor\"?\n");
  auto asked = run({"uninstall", "Zed Editor", "--select", "all"});
  EXPECT_NE(asked.out.find("Uninstall " + bundle + ": move "), std::string::npos) << asked.out;
  // A name ending in ".app" is a path, taken from the working folder.
  auto relative = testing::runCli({"inspect", "Zed Editor.app", "--root", mac.root(), "--home", mac.home()}, "",
                                  mac.root() + "/Applications");
  EXPECT_EQ(relative.status, 0) << relative.err;
  // Colours only when the terminal the tool started on asks for them.
  for (bool colour : {false, true}) {
    std::ostringstream out, err;
    std::istringstream in;
    ASSERT_EQ(cli::run({"analyze", bundle, "--root", mac.root(), "--home", mac.home()}, out, err, in, std::nullopt,
                       cli::Terminal{colour, true}), 0);
    EXPECT_EQ(out.str().find("\033[32mSafe to Remove\033[0m") != std::string::npos, colour) << out.str();
  }
}

TEST(VersionTest, OneVersionFromTheBuildDefinitionToTheTool) {
  std::smatch m;
  const std::string cmake = fileText(CORVANE_SOURCE_DIR "/CMakeLists.txt");
  ASSERT_TRUE(std::regex_search(cmake, m, std::regex(R"(project\(corvane VERSION ([0-9.]+))")));
  EXPECT_EQ(version(), m[1].str());
  auto shown = testing::runCli({"--version"});
  EXPECT_EQ(shown.status, 0);
  EXPECT_EQ(shown.out, "corvane " + m[1].str() + "\n");
}

TEST(CommandDocsTest, CompletionsAndManPageCoverEveryCommandAndOption) {
  const auto commands = cli::allCommands();
  const std::string man = report::manPage(cli::toolHelp(commands));
  for (const std::string shell : {"bash", "zsh", "fish"}) {
    SCOPED_TRACE(shell);
    auto printed = testing::runCli({"completions", shell});
    ASSERT_EQ(printed.status, 0);
    EXPECT_EQ(printed.out, *report::completionScript(shell, cli::toolHelp(commands)));
    for (const auto& c : commands) {
      EXPECT_NE(printed.out.find(c.name), std::string::npos) << c.name;
      auto options = c.options.flags;
      options.insert(c.options.values.begin(), c.options.values.end());
      // fish names long options without their dashes.
      for (const auto& o : options)
        EXPECT_NE(printed.out.find(shell == "fish" ? " -l " + o.substr(2) : o), std::string::npos) << c.name << " " << o;
      std::string usage = std::regex_replace(cli::usageLine(c), std::regex("-"), "\\-");
      EXPECT_NE(man.find(".B corvane " + usage + "\n" ), std::string::npos) << usage;
    }
  }
  auto unknown = testing::runCli({"completions", "tcsh"});
  EXPECT_EQ(unknown.status, cli::kExitUsage);
  EXPECT_EQ(unknown.err, "corvane completions: no completions for tcsh (bash, zsh or fish)\n");
  EXPECT_EQ(testing::runCli({"man"}).out, man);
  // groff finds nothing to warn about.
  testing::TemporaryFolder tmp{"corvane-man"};
  std::ofstream(tmp.path() + "/corvane.1") << man;
  FILE* groff = ::popen(("groff -man -Tutf8 -ww -z '" + tmp.path() + "/corvane.1' 2>&1").c_str(), "r");
  ASSERT_NE(groff, nullptr);
  char line[512] = {};
  EXPECT_EQ(std::fgets(line, sizeof line, groff), nullptr) << line;
  EXPECT_EQ(::pclose(groff), 0);
  EXPECT_TRUE(man.starts_with(".TH CORVANE 1 \"\" \"corvane " + std::string(version()) + "\" \"User Commands\"\n"));
}

TEST(CommandDocsTest, BashCompletesCommandsOptionsValuesAppsAndHistoryIDs) {
  testing::TemporaryFolder tmp{"corvane-bash"};
  const std::string script = tmp.path() + "/corvane.bash";
  std::ofstream(script) << *report::completionScript("bash", cli::toolHelp(cli::allCommands()));
  // The tool the completions ask for app names and history ids, noting how it was asked.
  const std::string tool = tmp.path() + "/corvane";
  std::ofstream(tool) << "#!/bin/sh\necho \"$*\" >> '" << tmp.path() << "/asked'\n"
                      << "case $1 in\n  apps) printf 'Beacon VPN\\nDropzone Sync\\n' ;;\n"
                      << "  history) echo '2026-12-05T10:00:00Z · Dropzone Sync · 4 items moved to the Trash · "
                         "3E6F2AEF-83B9-4FCD-8E11-CE84A011990C' ;;\nesac\n";
  std::filesystem::permissions(tool, std::filesystem::perms::owner_all);
  struct Case {
    std::string words, expected;
  } cases[] = {{"ap", "apps"},
               {"analyze --s", "--sort"},
               {"analyze --sort d", "dateModified"},
               {"trash --lane l", "likelyWanted"},
               {"trash --sort ''", "size name date kind lane"},
               {"uninstall X --select p", "probable"},
               {"assess P --kind group", "groupContainer"},
               {"trash p", "put-back"},
               {"trash put-back x", ""},
               {"history s", "show"},
               {"history show 3E", "3E6F2AEF-83B9-4FCD-8E11-CE84A011990C"},
               {"restore ''", "3E6F2AEF-83B9-4FCD-8E11-CE84A011990C"},
               {"completions b", "bash"},
               {"analyze Be", "Beacon\\ VPN"},
               {"uninstall --root /mac/root ''", "Beacon\\ VPN Dropzone\\ Sync"},
               {"man --", "--help"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.words);
    const std::string command = "bash --norc -c 'source \"" + script + "\"; COMP_WORDS=(\"" + tool + "\" " + c.words +
                                "); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _corvane; echo \"${COMPREPLY[*]}\"'";
    FILE* pipe = ::popen(std::regex_replace(command, std::regex("''"), "\"\"").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char line[256] = {};
    std::string got = std::fgets(line, sizeof line, pipe) ? line : "";
    EXPECT_EQ(::pclose(pipe), 0);
    EXPECT_EQ(got, c.expected + "\n");
  }
  // The apps and ids are those of the Mac given on the line.
  EXPECT_EQ(fileText(tmp.path() + "/asked"),
            "history\nhistory\napps --names\napps --names --root /mac/root\n");
}

TEST(CommandDocsTest, ReadmeListsTheCommandsAsHelpDoes) {
  const std::string readme = fileText(CORVANE_SOURCE_DIR "/README.md");
  const std::string help = testing::runCli({"--help"}).out;
  const auto begin = readme.find("```text\n", readme.find("<!-- commands:"));
  const auto end = readme.find("```\n<!-- /commands -->");
  ASSERT_NE(begin, std::string::npos);
  ASSERT_NE(end, std::string::npos);
  const std::string listed = readme.substr(begin + 8, end - begin - 8);
  const auto from = help.find("Commands:\n") + 10;
  EXPECT_EQ(listed, help.substr(from, help.find("\nCommands that read a Mac take:") - from))
      << "update README.md's command list from corvane --help";
}

TEST(TerminalTest, ColourOnlyOnATerminalThatAsksForIt) {
  struct Case {
    bool out, err;
    std::optional<std::string> term, noColour;
    bool colour, progress;
  } cases[] = {
      {true, true, "xterm-256color", std::nullopt, true, true},
      {true, true, "xterm", "", true, true},
      {true, true, "xterm", "1", false, true},
      {true, true, "dumb", std::nullopt, false, false},
      {false, true, std::nullopt, std::nullopt, false, true},
      {true, false, "xterm", std::nullopt, true, false},
  };
  for (const auto& c : cases) {
    const cli::Terminal t = cli::terminalFor(c.out, c.err, c.term, c.noColour);
    EXPECT_EQ(t.colour, c.colour) << c.term.value_or("-") << " " << c.noColour.value_or("-");
    EXPECT_EQ(t.progress, c.progress) << c.term.value_or("-");
  }
}

TEST(TerminalTest, ValuesAreTakenAsShownInAnyCase) {
  const std::vector<std::vector<std::string>> lanes = {
      {"safeToPurge", "Safe to purge"}, {"review", "Review"}, {"likelyWanted", "Keep?"}};
  const std::pair<std::string, std::optional<std::size_t>> cases[] = {
      {"Keep?", 2}, {"keep", 2}, {"LIKELYWANTED", 2}, {"safe to purge", 0}, {"Safe-To-Purge", 0},
      {"review", 1}, {"", std::nullopt}, {"?", std::nullopt}, {"keeps", std::nullopt}};
  for (const auto& [given, index] : cases) EXPECT_EQ(cli::acceptedIndex(given, lanes), index) << given;
}

TEST(TerminalTest, PathsInSentencesAsTheMacShowsThem) {
  const Layout copy = Layout::at("/tmp/d/root", "/tmp/d/home");
  const std::pair<std::string, std::string> cases[] = {
      {"Put 'x' back to /tmp/d/root/Users/demo/Documents.", "Put 'x' back to /Users/demo/Documents."},
      {"Put 'x' back to /tmp/d/home/Library/Caches.", "Put 'x' back to ~/Library/Caches."},
      {"bootstrap gui/0 /tmp/d/home/Library/LaunchAgents/a.plist /tmp/d/home", "bootstrap gui/0 ~/Library/LaunchAgents/a.plist ~"},
      {"/tmp/d/homework and /tmp/d/rooted stay", "/tmp/d/homework and /tmp/d/rooted stay"},
  };
  for (const auto& [text, shown] : cases) EXPECT_EQ(cli::macStyleText(text, copy), shown);
  EXPECT_EQ(cli::macStyleText("/Users/me/x and /Library/y", Layout::at("/", "/Users/me")), "~/x and /Library/y");
  EXPECT_EQ(cli::macStyleText("/tmp/d/home/x", Layout{}), "/tmp/d/home/x");
}

TEST(TerminalTest, WindowPhrasesBecomeCommands) {
  // Every text of the library that the tool shows and that speaks of the window.
  std::vector<FileFinding> orphans(3);
  orphans[0].confidence = FindingConfidence::review;
  orphans[1].kind = FindingKind::systemExtension;
  orphans[2].kind = FindingKind::backgroundItem;
  orphans[1].isProtectedLocation = orphans[2].isProtectedLocation = true;
  std::string library;
  for (const auto& point : OrphanGuidance::summary(orphans).points) library += point + " ";
  for (int findings : {1, 2}) library += LeftoverCheckPolicy::notificationText({findings, 1, false, {}})->body + " ";
  for (const auto& section : TransparencyContent::current().sections) library += section.body + " ";
  for (const auto& [window, terminal] : cli::terminalPhrases()) {
    EXPECT_EQ(cli::forTerminal("a " + window + " b " + window), "a " + terminal + " b " + terminal);
  }
  for (const char* word : {"Expand", "Click", "Homebrew step"})
    EXPECT_EQ(cli::forTerminal(library).find(word), std::string::npos) << word;
  const auto explained = testing::runCli({"explain"});
  for (const char* word : {"Expand", "Click", "Homebrew"})
    EXPECT_EQ(explained.out.find(word), std::string::npos) << word;
  EXPECT_NE(explained.out.find("corvane analyze APP --explain lists the exact evidence behind each tier."),
            std::string::npos);
}

TEST(TierColourTest, ColouredOnlyWhenTheTerminalAsksAndAlignedAlike) {
  EXPECT_EQ(cli::tierName(FindingConfidence::safeToRemove, false), "Safe to Remove");
  EXPECT_EQ(cli::tierName(FindingConfidence::safeToRemove, true), "\033[32mSafe to Remove\033[0m");
  EXPECT_EQ(cli::tierName(FindingConfidence::inUse, true), "\033[31mIn Use\033[0m");
  FileFinding f;
  f.url = Url::fileURL("/x/y");
  f.confidence = FindingConfidence::review;
  std::ostringstream plain, coloured;
  cli::printFindings(plain, {f}, Layout::at("/", "/home/u"), false, nullptr, false);
  cli::printFindings(coloured, {f}, Layout::at("/", "/home/u"), false, nullptr, true);
  EXPECT_EQ(std::regex_replace(coloured.str(), std::regex("\033\\[[0-9]+m"), ""), plain.str());
  EXPECT_NE(coloured.str(), plain.str());
  EXPECT_EQ(report::laneName(TriageLane::likelyWanted, true), "\033[31mKeep?\033[0m");
  EXPECT_EQ(report::laneName(TriageLane::safeToPurge, false), "Safe to purge");
}

}  // namespace
}  // namespace corvane

namespace corvane {
namespace {

TEST(DemoTest, ShowsEveryCapabilityOnceInUnder150Lines) {
  const auto demo = testing::runCli({"demo"});
  ASSERT_EQ(demo.status, 0) << demo.err;
  EXPECT_LT(std::count(demo.out.begin(), demo.out.end(), '\n'), 150);
  for (const std::string shown : {"\n$ corvane analyze \"Pebble Notes\" --explain\n", "\n$ corvane trash --sort lane\n",
                                  "\nPut 'Q3 Report.pdf' back to /Users/demo/Documents.\n", "\nPut back 6 items.\n",
                                  "\nMoved 4 items to the Trash (29 KB); recorded in the history as ",
                                  "\n$ corvane leftover-check --if-due\nLeftovers from removed apps\n",
                                  "\n$ corvane watch --once --settle 0.2\n(Fathom Reader.app is dragged to the Trash)\n"
                                  "Fathom Reader (com.fathom.reader) left /Applications/Fathom Reader.app\n"
                                  "  Its bundle is in the Trash: ~/.Trash/Fathom Reader.app\n"
                                  "  It left 2 items behind (33 KB):\n"})
    EXPECT_NE(demo.out.find(shown), std::string::npos) << shown;
  EXPECT_TRUE(demo.out.find("not in this build") == std::string::npos);
}

}  // namespace
}  // namespace corvane
