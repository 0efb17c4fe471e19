// The built tool, in child processes, against layouts that are not what they should be: a root and home
// that are missing, a file, unreadable, a loop of links or empty, APP paths that are no bundle, and the
// demo run twice. Every run ends with a status (never a signal or an abort), says what is wrong in one
// line, and writes nothing outside the stores of the command that ran.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "platform/process.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::SampleMac;

struct Ran {
  int status = -1;
  std::string err;
};

std::size_t lineCount(const std::string& text) { return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')); }

class HostileLayoutsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::permissions(tmp.path(), fs::perms::owner_all | fs::perms::others_exec);  // an ordinary user may pass
    SampleMac::writeFile(at("file"), "not a folder");
    fs::create_directory(at("locked"));
    fs::permissions(at("locked"), fs::perms::none);
    fs::create_symlink("loop-b", at("loop"));
    fs::create_symlink("loop", at("loop-b"));
    for (const char* folder : {"empty/root", "empty/home", "mac/root/Applications/Folder", "mac/home"})
      fs::create_directories(at(folder));
    SampleMac::writeFile(at("mac/root/Applications/Plain.app"), "a file named like a bundle");
    fs::create_symlink("Loop2.app", at("mac/root/Applications/Loop.app"));
    fs::create_symlink("Loop.app", at("mac/root/Applications/Loop2.app"));
    fs::create_symlink("Gone.app", at("mac/root/Applications/Dangling.app"));
  }
  void TearDown() override { fs::permissions(at("locked"), fs::perms::owner_all); }

  std::string at(const std::string& relative) const { return tmp.path() + "/" + relative; }

  // The tool with `args`, its input empty; as the unprivileged user "nobody" when `asNobody`.
  Ran tool(std::vector<std::string> args, bool asNobody = false) const {
    const std::string errors = tmp.path() + "/../" + fs::path(tmp.path()).filename().string() + ".err";
    std::vector<std::string> argv = {"-c", "e=$1; shift; \"$@\" </dev/null >/dev/null 2>\"$e\"", "sh", errors};
    if (asNobody) argv.insert(argv.end(), {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
    argv.push_back(CORVANE_CLI_PATH);
    argv.insert(argv.end(), args.begin(), args.end());
    const platform::ProcessOutcome outcome = platform::runProcess("/bin/sh", argv, platform::ErrorStream::intoOutput);
    Ran ran{outcome.status, SampleMac::readFile(errors)};
    fs::remove(errors);
    return ran;
  }

  // Every item below the folder with its size (folders 0), links not followed.
  std::map<std::string, std::uintmax_t> snapshot() const {
    std::map<std::string, std::uintmax_t> items;
    for (auto it = fs::recursive_directory_iterator(tmp.path(), fs::directory_options::skip_permission_denied);
         it != fs::recursive_directory_iterator(); ++it) {
      const bool regular = fs::is_regular_file(it->symlink_status());
      items[it->path().lexically_relative(tmp.path()).string()] = regular ? it->file_size() : 0;
    }
    return items;
  }

  testing::TemporaryFolder tmp;
};

// The commands that read a Mac, each with arguments that would make it act on the layout.
std::vector<std::vector<std::string>> layoutCommands(const std::string& root, const std::string& home) {
  const std::string app = root + "/Applications/Tool.app", trashed = home + "/.Trash/notes.txt";
  return {{"analyze", app},
          {"apps"},
          {"background-items"},
          {"history"},
          {"history", "clear", "--yes"},
          {"inspect", app},
          {"uninstall", app, "--select", "all", "--yes"},
          {"restore", "00000000-0000-4000-8000-000000000001"},
          {"trash"},
          {"trash", "put-back", trashed},
          {"trash", "delete", trashed, "--yes"},
          {"trash", "empty", "--yes"},
          {"orphans"},
          {"leftover-check"},
          {"neutralize", "com.example.agent"}};
}

std::string joined(const std::vector<std::string>& args) {
  std::string text;
  for (const auto& a : args) text += (text.empty() ? "" : " ") + a;
  return text;
}

TEST_F(HostileLayoutsTest, ARootOrHomeThatIsNoReadableFolderIsAUsageErrorOfEveryCommand) {
  const struct {
    const char* name;
    std::string folder;
    const char* problem;
    bool asNobody;
  } layouts[] = {
      {"missing", at("missing"), "does not exist", false},
      {"a file", at("file"), "is not a folder", false},
      {"a loop of links", at("loop"), "is a loop of symbolic links", false},
      {"unreadable", at("locked"), "cannot be read (no permission)", true},
  };
  const auto before = snapshot();
  for (const auto& layout : layouts) {
    for (auto args : layoutCommands(layout.folder, layout.folder)) {
      SCOPED_TRACE(std::string(layout.name) + ": " + joined(args));
      const std::string command = args[0];
      args.insert(args.end(), {"--root", layout.folder, "--home", layout.folder});
      const Ran ran = tool(args, layout.asNobody);
      EXPECT_EQ(ran.status, 64);
      EXPECT_TRUE(ran.err.starts_with("corvane " + command + ": --root " + layout.folder + " " + layout.problem +
                                      " (usage: corvane "))
          << ran.err;
      EXPECT_EQ(lineCount(ran.err), 1u) << ran.err;
    }
  }
  EXPECT_EQ(snapshot(), before);
}

TEST_F(HostileLayoutsTest, AnEmptyMacOrAnAppPathWithoutABundleFailsInOneLineAndWritesNoFileOutsideItsStores) {
  const std::string root = at("empty/root"), home = at("empty/home");
  const auto before = snapshot();
  for (auto args : layoutCommands(root, home)) {
    SCOPED_TRACE(joined(args));
    args.insert(args.end(), {"--root", root, "--home", home});
    const Ran ran = tool(args);
    // Listing an empty history or an empty Trash is a complete answer; nothing else can be done here.
    const bool emptyListing = args[0] == "history" || args[0] == "trash" || args[0] == "background-items";
    if (!emptyListing || ran.status != 0) {
      EXPECT_EQ(ran.status, 1);
      EXPECT_EQ(lineCount(ran.err), 1u) << ran.err;
    }
  }
  // Only the tool's own folder and the Trash may have appeared.
  for (const auto& [path, size] : snapshot()) {
    if (before.count(path)) continue;
    EXPECT_TRUE(path == "empty/home/Library" || path.starts_with("empty/home/Library/Application Support") ||
                path.starts_with("empty/home/.Trash"))
        << path;
  }

  const std::string applications = at("mac/root/Applications");
  const struct {
    std::string app;
    std::string problem;
  } paths[] = {
      {applications + "/Nowhere.app", "no application bundle at " + applications + "/Nowhere.app"},
      {applications + "/Plain.app", applications + "/Plain.app is not an application bundle (a folder whose name ends in .app)"},
      {applications + "/Folder", applications + "/Folder is not an application bundle (a folder whose name ends in .app)"},
      {applications + "/Loop.app", applications + "/Loop.app is a loop of symbolic links"},
      {applications + "/Dangling.app",
       applications + "/Dangling.app is a symbolic link to " + applications + "/Gone.app, where nothing is"},
  };
  const auto macBefore = snapshot();
  for (const auto& path : paths)
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"analyze"}, {"inspect"}, {"uninstall", "--select", "all", "--yes"}}) {
      SCOPED_TRACE(args[0] + " " + path.app);
      std::vector<std::string> full = args;
      full.insert(full.begin() + 1, path.app);
      full.insert(full.end(), {"--root", at("mac/root"), "--home", at("mac/home")});
      const Ran ran = tool(full);
      EXPECT_EQ(ran.status, 1);
      EXPECT_EQ(ran.err, "corvane " + args[0] + ": " + path.problem + "\n");
    }
  EXPECT_EQ(snapshot(), macBefore);
}

TEST_F(HostileLayoutsTest, TheDemoRefusesAFileOrAFolderItAlreadyFilled) {
  const Ran first = tool({"demo", "--at", at("demo")});
  ASSERT_EQ(first.status, 0) << first.err;
  const auto before = snapshot();
  const struct {
    std::string at;
    int status;
    std::string err;
  } cases[] = {
      {at("demo"), 1,
       "corvane demo: " + at("demo") + " is not empty (an earlier demo?); give a new or empty folder. Nothing was written.\n"},
      {at("file"), 64, "corvane demo: --at " + at("file") + " is not a folder (usage: corvane demo [--at DIR])\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.at);
    const Ran ran = tool({"demo", "--at", c.at});
    EXPECT_EQ(ran.status, c.status);
    EXPECT_EQ(ran.err, c.err);
  }
  EXPECT_EQ(snapshot(), before);
}

}  // namespace
}  // namespace corvane
