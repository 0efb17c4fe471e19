#include "corvane/history/restore.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <tuple>

#include "corvane/discovery/command_runner.h"
#include "corvane/history/bulk_restore_summary.h"
#include "history/restore_copy.h"
#include "platform/directory.h"
#include "platform/fs_ops.h"
#include "platform/processes.h"
#include "platform/tree_copy.h"
#include "sample_mac/sample_mac.h"
#include "support/tree_listing.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using Kind = RestoreOutcome::Kind;
using testing::SampleMac;
using testing::TemporaryFolder;

TEST(RestorePlannerTest, FirstFreeNameKeepsFileAndBundleExtensions) {
  std::vector<std::string> all200{"Tool.app", "Tool (restored).app"};
  for (int i = 2; i <= 200; ++i) all200.push_back("Tool (restored " + std::to_string(i) + ").app");
  struct Case {
    std::string base;
    std::vector<std::string> existing;
    bool isDirectory;
    std::optional<std::string> expected;
  } cases[] = {
      {"Notes.txt", {"Other"}, false, "Notes.txt"},
      {"Notes.txt", {"Notes.txt"}, false, "Notes (restored).txt"},
      {"Photos.old", {"Photos.old"}, true, "Photos.old (restored)"},
      {"Tool.app", {"Tool.app"}, true, "Tool (restored).app"},
      {"Tool.APP", {"Tool.APP"}, true, "Tool (restored).APP"},
      {"Tool.app", {"Tool.app", "Tool (restored).app"}, true, "Tool (restored 2).app"},
      {"Archive.2024", {"Archive.2024"}, true, "Archive.2024 (restored)"},
      {"Archive.2024", {"Archive.2024"}, false, "Archive (restored).2024"},
      {".hidden", {".hidden"}, false, ".hidden (restored)"},
      {"Makefile", {"Makefile"}, false, "Makefile (restored)"},
      {"Tool.app", all200, true, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.base);
    EXPECT_EQ(RestorePlanner::firstFreeName(c.base, c.existing, c.isDirectory), c.expected);
  }
}

TEST(RestorePlannerTest, DeniedFolders) {
  for (const char* denied : {"/System", "/System/Library/Extras", "/Library", "/Library/Fonts", "/bin", "/sbin/x",
                             "/private/var/db", "/private/var/db/receipts", "/usr", "/usr/bin", "/usr/share/man"})
    EXPECT_TRUE(RestorePlanner::isDenied(denied)) << denied;
  for (const char* allowed : {"/usr/local", "/usr/local/share", "/Systems", "/Users/u/Library", "/private/var/dbx",
                              "/usrlocal", "/binaries"})
    EXPECT_FALSE(RestorePlanner::isDenied(allowed)) << allowed;
}

// Every check, in order: each case breaks one fact of an otherwise good plan, or two to show which wins.
TEST(RestorePlannerTest, RejectionsInOrder) {
  const std::vector<std::string> roots{"/Users/u/.Trash", "/Volumes/D/.Trashes/501"};
  const SourceFacts file{"/Users/u/.Trash/a.txt", "/Users/u/.Trash/a.txt", false, false, 7, 4096};
  const RestorePlanner::DestinationFacts folder{true, false, true, true, 7, 1, {"a.txt", "b"}, std::nullopt, false};
  struct Case {
    const char* label;
    std::string sourceLocation;
    std::string destination;
    RestorePlanner::DestinationFacts facts;
    std::optional<RestoreRejection> expected;
  };
  auto with = [&](auto change) {
    auto f = folder;
    change(f);
    return f;
  };
  const Case cases[] = {
      {"outside", "/Users/u/Documents/a.txt", "/Users/u/Documents", folder, RestoreRejection::sourceNotInTrash},
      {"trash itself", "/Users/u/.Trash", "/Users/u/Documents", folder, RestoreRejection::sourceNotInTrash},
      {"trailing slash", file.resolvedLocation, "/Users/u/Documents/", folder, RestoreRejection::destinationUntrusted},
      {"dot", file.resolvedLocation, "/Users/u/./Documents", folder, RestoreRejection::destinationUntrusted},
      {"dot dot", file.resolvedLocation, "/Users/u/x/../Documents", folder, RestoreRejection::destinationUntrusted},
      {"double slash", file.resolvedLocation, "/Users//u", folder, RestoreRejection::destinationUntrusted},
      {"relative", file.resolvedLocation, "Users/u", folder, RestoreRejection::destinationUntrusted},
      {"root", file.resolvedLocation, "/", folder, RestoreRejection::destinationUntrusted},
      {"system", file.resolvedLocation, "/System/Library/Extras", folder, RestoreRejection::destinationUntrusted},
      {"usr bin", file.resolvedLocation, "/usr/bin", folder, RestoreRejection::destinationUntrusted},
      {"into root", file.resolvedLocation, "/Users/u/.Trash", folder, RestoreRejection::restoreIntoTrash},
      {"into trash", file.resolvedLocation, "/Volumes/D/.Trashes/501/x", folder, RestoreRejection::restoreIntoTrash},
      {"missing", file.resolvedLocation, "/Users/u/Gone", with([](auto& f) { f = {}; }),
       RestoreRejection::destParentMissing},
      {"link wins over not dir", file.resolvedLocation, "/Users/u/Docs",
       with([](auto& f) { f.isSymlink = true, f.isDirectory = false; }), RestoreRejection::destParentSymlink},
      {"not dir", file.resolvedLocation, "/Users/u/file", with([](auto& f) { f.isDirectory = false; }),
       RestoreRejection::destParentNotDir},
      {"not writable", file.resolvedLocation, "/Users/u/Documents", with([](auto& f) { f.isWritable = false; }),
       RestoreRejection::destNotWritable},
      {"usr local", file.resolvedLocation, "/usr/local/share", folder, std::nullopt},
      // Under a layout the denied folders are judged on the Mac path the host folder stands for.
      {"mac library", file.resolvedLocation, "/R/Library", with([](auto& f) { f.macPath = "/Library"; }),
       RestoreRejection::destinationUntrusted},
      {"mac root", file.resolvedLocation, "/R", with([](auto& f) { f.macPath = "/"; }),
       RestoreRejection::destinationUntrusted},
      {"off the mac", file.resolvedLocation, "/elsewhere", with([](auto& f) { f.outsideMac = true; }),
       RestoreRejection::destinationUntrusted},
      {"mac usr local", file.resolvedLocation, "/R/usr/local/share", with([](auto& f) { f.macPath = "/usr/local/share"; }),
       std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    auto source = file;
    source.resolvedLocation = c.sourceLocation;
    auto result = RestorePlanner::plan(source, c.facts, PutBackInfo{"a.txt", c.destination, "a.txt"}, roots);
    EXPECT_EQ(result, c.expected ? RestoreDecision(*c.expected)
                                 : RestoreDecision(RestorePlan{file.path, c.destination + "/a (restored).txt",
                                                               RestoreStrategy::rename, VerifySpec{4096, false, false}}));
  }
  // Another device means a copy; folders and links are verified without a size.
  auto other = with([](auto& f) { f.stDev = 9; });
  SourceFacts dir{"/Users/u/.Trash/b", "/Users/u/.Trash/b", false, true, 7, std::nullopt};
  EXPECT_EQ(RestorePlanner::plan(dir, other, {"b", "/Users/u/Documents", "b"}, roots),
            RestoreDecision(RestorePlan{dir.path, "/Users/u/Documents/b (restored)", RestoreStrategy::copyVerifyRemove,
                                  VerifySpec{std::nullopt, false, true}}));
  std::vector<std::string> full{"x"};
  for (int i = 1; i <= 200; ++i) full.push_back(i == 1 ? "x (restored)" : "x (restored " + std::to_string(i) + ")");
  EXPECT_EQ(RestorePlanner::plan(file, with([&](auto& f) { f.names = full; }), {"a.txt", "/Users/u/Documents", "x"},
                                 roots),
            RestoreDecision(RestoreRejection::noFreeName));
  full.pop_back();  // the last candidate is still tried
  EXPECT_EQ(RestorePlanner::firstFreeName("x", full, false), "x (restored 200)");
}

// A Trash folder and a destination folder in a fresh temporary folder.
class RestoreExecutorTest : public ::testing::Test {
 protected:
  TemporaryFolder tmp{"restore"};
  std::string root = *platform::realPath(tmp.path());
  std::string trash = root + "/.Trash";
  std::string docs = root + "/Documents";
  std::vector<std::string> roots{trash};

  void SetUp() override {
    fs::create_directories(trash);
    fs::create_directories(docs);
  }
  RestoreOutcome restore(const std::string& name, bool forceCopy, RestoreExecutor::Collaborators c = {},
                         const std::string& originalName = "") const {
    return RestoreExecutor(std::move(c))
        .restore(trash + "/" + name, {name, docs, originalName.empty() ? name : originalName}, roots, forceCopy);
  }
};

TEST_F(RestoreExecutorTest, RenameOrCopyEveryKindOfNameAndStepAsideForATakenOne) {
  const std::string names[] = {"plain.txt", "line\nbreak", "quote\"d 'n'", "-rf", std::string("bad\xff\xfe utf8")};
  for (bool forceCopy : {false, true}) {
    for (const auto& name : names) {
      SCOPED_TRACE(name + (forceCopy ? " copy" : " rename"));
      SampleMac::writeFile(trash + "/" + name, "contents of " + name);
      const auto strategy = forceCopy ? RestoreStrategy::copyVerifyRemove : RestoreStrategy::rename;
      EXPECT_EQ(restore(name, forceCopy), RestoreOutcome::restored(docs + "/" + name, strategy));
      EXPECT_FALSE(platform::itemExists(trash + "/" + name));
      // The same name again steps aside; the item already there is left as it is.
      SampleMac::writeFile(trash + "/" + name, "second");
      const auto before = test_support::treeListing(docs);
      const auto outcome = restore(name, forceCopy);
      ASSERT_EQ(outcome.kind, Kind::restored);
      EXPECT_EQ(test_support::withoutSubtree(test_support::treeListing(docs), fs::path(outcome.to).filename()), before);
      EXPECT_EQ(SampleMac::readFile(docs + "/" + name), "contents of " + name);
      EXPECT_EQ(SampleMac::readFile(outcome.to), "second");
      fs::remove_all(docs);
      fs::create_directories(docs);
    }
  }
}

TEST_F(RestoreExecutorTest, CopyKeepsModesTimesLinksAndExtendedAttributes) {
  const std::string item = trash + "/Project";
  SampleMac::writeFile(item + "/src/main.c", "int main;");
  SampleMac::writeFile(item + "/readonly", std::string(70000, 'r'));
  fs::create_symlink("src/main.c", item + "/link");
  fs::create_symlink("/nowhere", item + "/dangling");
  ::chmod((item + "/readonly").c_str(), 0444);
  ::chmod((item + "/src").c_str(), 0750);
  const bool hasXattr = ::setxattr((item + "/src/main.c").c_str(), "user.tag", "blue", 4, 0) == 0;
  const struct timespec old[2] = {{1000000000, 5}, {1100000000, 7}};
  ::utimensat(AT_FDCWD, (item + "/readonly").c_str(), old, AT_SYMLINK_NOFOLLOW);
  ::utimensat(AT_FDCWD, (item + "/src").c_str(), old, AT_SYMLINK_NOFOLLOW);
  ::utimensat(AT_FDCWD, (item + "/link").c_str(), old, AT_SYMLINK_NOFOLLOW);
  auto facts = [](const std::string& path) { return platform::linkStatus(path).value(); };
  std::map<std::string, platform::FileStatus> before;
  for (const char* p : {"/src", "/readonly", "/link", "/src/main.c"}) before[p] = facts(item + p);

  ASSERT_EQ(restore("Project", true), RestoreOutcome::restored(docs + "/Project", RestoreStrategy::copyVerifyRemove));
  EXPECT_FALSE(platform::itemExists(item));
  const std::string copy = docs + "/Project";
  for (const auto& [p, was] : before) {
    SCOPED_TRACE(p);
    const auto now = facts(copy + p);
    EXPECT_EQ(now.mode, was.mode);
    EXPECT_EQ(now.size, was.size);
    EXPECT_EQ(std::pair(now.modifiedSeconds, now.modifiedNanoseconds), std::pair(was.modifiedSeconds, was.modifiedNanoseconds));
    if (p != "/src/main.c") {
      EXPECT_EQ(std::pair(now.accessedSeconds, now.accessedNanoseconds), std::pair(was.accessedSeconds, was.accessedNanoseconds));
    }
  }
  EXPECT_EQ(platform::readLink(copy + "/link").value_or(""), "src/main.c");
  EXPECT_EQ(platform::readLink(copy + "/dangling").value_or(""), "/nowhere");
  EXPECT_EQ(SampleMac::readFile(copy + "/readonly"), std::string(70000, 'r'));
  EXPECT_EQ(fs::directory_iterator(docs)->path().filename(), "Project");  // no temporary copy left
  if (!hasXattr) GTEST_SKIP() << "this file system refuses user extended attributes";
  char value[16] = {};
  EXPECT_EQ(::getxattr((copy + "/src/main.c").c_str(), "user.tag", value, sizeof value), 4);
  EXPECT_STREQ(value, "blue");
}

TEST_F(RestoreExecutorTest, TooDeepATreeIsNotCopiedAndNothingIsLeftBehind) {
  std::string deep = trash + "/Deep";
  for (int level = 0; level < 512; ++level) deep += "/d";  // one level more than a copy takes
  fs::create_directories(deep);
  SampleMac::writeFile(deep + "/leaf", "x");
  const auto before = test_support::treeListing(root);
  EXPECT_EQ(restore("Deep", true), RestoreOutcome::copyFailed("copy"));
  EXPECT_EQ(test_support::treeListing(root), before);
}

// The copy stops at its first failure and names it: the errno, the step and the source entry.
TEST_F(RestoreExecutorTest, ACopyThatFailsSaysWhereAndWhy) {
  ASSERT_EQ(::mkfifo((trash + "/pipe").c_str(), 0600), 0);
  SampleMac::writeFile(trash + "/Item/a/b/c");
  SampleMac::writeFile(trash + "/Taken");
  SampleMac::writeFile(docs + "/Taken");
  auto from = platform::openDirectory(trash), into = platform::openDirectory(docs);
  ASSERT_TRUE(from.has_value() && into.has_value());
  for (const auto& [item, maxDepth, error] : {std::tuple{"pipe", 5, Error::fromErrno(ENOTSUP, "copy", "pipe")},
                                              {"Item", 1, Error::fromErrno(ELOOP, "copy", "Item/a/b")},
                                              {"Taken", 5, Error::fromErrno(EEXIST, "create", "Taken")},
                                              {"gone", 5, Error::fromErrno(ENOENT, "fstatat", "gone")}}) {
    const Status copied = restore_copy::copyTree(from->get(), item, into->get(), item, maxDepth, nullptr);
    ASSERT_FALSE(copied.has_value()) << item;
    EXPECT_EQ(copied.error(), error) << item;
  }
}

TEST_F(RestoreExecutorTest, RefusalsTouchNothing) {
  SampleMac::writeFile(trash + "/a.txt", "a");
  SampleMac::writeFile(root + "/elsewhere/a.txt", "b");
  fs::create_directory_symlink(docs, root + "/DocsLink");
  const auto before = test_support::treeListing(root);
  RestoreExecutor::Collaborators readOnly;
  readOnly.isWritable = [](const std::string&) { return false; };
  EXPECT_EQ(restore("a.txt", false, readOnly), RestoreOutcome::rejected(RestoreRejection::destNotWritable));
  const RestoreExecutor executor;
  EXPECT_EQ(executor.restore(trash + "/a.txt", {"a.txt", root + "/DocsLink", "a.txt"}, roots, false),
            RestoreOutcome::rejected(RestoreRejection::destParentSymlink));
  EXPECT_EQ(executor.restore(trash + "/a.txt", {"a.txt", root + "/missing", "a.txt"}, roots, false),
            RestoreOutcome::rejected(RestoreRejection::destParentMissing));
  EXPECT_EQ(executor.restore(trash + "/a.txt", {"a.txt", root + "/elsewhere/a.txt", "a.txt"}, roots, false),
            RestoreOutcome::rejected(RestoreRejection::destParentNotDir));
  EXPECT_EQ(executor.restore(root + "/elsewhere/a.txt", {"a.txt", docs, "a.txt"}, roots, false),
            RestoreOutcome::rejected(RestoreRejection::sourceNotInTrash));
  EXPECT_EQ(executor.restore(trash + "/../elsewhere/a.txt", {"a.txt", docs, "a.txt"}, roots, false),
            RestoreOutcome::rejected(RestoreRejection::sourceNotInTrash));
  EXPECT_EQ(executor.restore(trash + "/gone", {"gone", docs, "gone"}, roots, false), RestoreOutcome::sourceGone());
  EXPECT_EQ(test_support::treeListing(root), before);
}

// A layout's denied folders are the Mac's, wherever its root is, also when a link on the way leads there.
TEST_F(RestoreExecutorTest, DeniedFoldersOfALayoutAreRefusedWhateverTheRoot) {
  const std::string mac = root + "/Mac", home = mac + "/Users/u";
  for (const char* folder : {"/Library", "/usr/bin", "/System/Library/Extras", "/private/var/db/x", "/Users/u/Docs"})
    fs::create_directories(mac + folder);
  fs::create_directory_symlink(mac + "/System", home + "/Ln");
  SampleMac::writeFile(trash + "/a.txt", "a");
  const RestoreExecutor executor(RestoreExecutor::forLayout(Layout::at(mac, home)));
  for (const std::string& folder : {mac + "/Library", mac + "/usr/bin", mac + "/System/Library/Extras",
                                    mac + "/private/var/db/x", mac, home + "/Ln/Library", root + "/Documents"}) {
    SCOPED_TRACE(folder);
    EXPECT_EQ(executor.restore(trash + "/a.txt", {"a.txt", folder, "a.txt"}, roots, false),
              RestoreOutcome::rejected(RestoreRejection::destinationUntrusted));
  }
  EXPECT_EQ(executor.restore(trash + "/a.txt", {"a.txt", home + "/Docs", "a.txt"}, roots, false),
            RestoreOutcome::restored(home + "/Docs/a.txt", RestoreStrategy::rename));
}

// A copy across volumes cleans up only the unfinished copies recorded in Corvane's own folder by a
// process that has ended, and only while each is still the very item recorded.
TEST_F(RestoreExecutorTest, OnlyRecordedUnfinishedCopiesOfEndedRestoresAreRemoved) {
  int dead = 999999;
  while (platform::processExists(dead)) ++dead;
  const std::string own = root + "/Corvane";
  const restore_copy::Journal journal(own);
  auto made = [&](const std::string& name, int pid) {
    SampleMac::writeFile(docs + "/" + name + "/inside.txt", "copy");
    const auto folder = platform::linkStatus(docs).value(), item = platform::linkStatus(docs + "/" + name).value();
    const restore_copy::Journal::Entry entry{pid, docs, folder.device, folder.inode, name, item.device, item.inode};
    EXPECT_TRUE(journal.record(entry));
    return entry;
  };
  made(".cvrestore." + std::to_string(dead) + ".ABANDONED", dead);
  const auto running = made(".cvrestore.1.RUNNING", platform::currentProcessId());
  const std::string replaced = docs + "/.cvrestore." + std::to_string(dead) + ".REPLACED";
  made(fs::path(replaced).filename(), dead);
  fs::rename(replaced, root + "/aside");  // the user's own folder stands there now (another inode)
  for (const std::string& name : {fs::path(replaced).filename().string(), std::string(".cvrestore.31999.my-notes"),
                                 ".cvrestore." + std::to_string(dead) + ".x"})
    SampleMac::writeFile(docs + "/" + name + "/mine.txt", "the user's");
  fs::remove_all(root + "/aside");
  SampleMac::writeFile(trash + "/item", "ours");

  std::vector<std::string> notices;
  RestoreExecutor::Collaborators c;
  c.ownFolder = own;
  c.notice = [&](const std::string& sentence) { notices.push_back(sentence); };
  EXPECT_EQ(restore("item", true, c), RestoreOutcome::restored(docs + "/item", RestoreStrategy::copyVerifyRemove));
  EXPECT_EQ(SampleMac::entryNames(docs),
            (std::set<std::string>{"item", ".cvrestore.1.RUNNING", ".cvrestore." + std::to_string(dead) + ".REPLACED",
                                   ".cvrestore.31999.my-notes", ".cvrestore." + std::to_string(dead) + ".x"}));
  EXPECT_EQ(notices, std::vector<std::string>{"Left " + replaced +
                                              " where it is: it is not the unfinished copy a restore made there."});
  EXPECT_EQ(journal.entries(), std::vector<restore_copy::Journal::Entry>{running});  // its own copy recorded and forgotten
}

// Changes made between planning and execution, for both strategies.
TEST_F(RestoreExecutorTest, ChangesAfterPlanning) {
  struct Case {
    const char* label;
    std::function<void(const RestorePlan&)> change;
    RestoreOutcome expected;
  };
  const std::string elsewhere = root + "/elsewhere";
  const Case cases[] = {
      {"name taken", [](const RestorePlan& p) { SampleMac::writeFile(p.destPath, "theirs"); },
       RestoreOutcome::destTaken()},
      {"item vanished", [](const RestorePlan& p) { fs::remove(p.sourcePath); }, RestoreOutcome::sourceGone()},
      {"folder swapped for a link",
       [&](const RestorePlan&) {
         fs::rename(docs, root + "/moved");
         fs::create_directory_symlink(elsewhere, docs);
       },
       RestoreOutcome::failed("dest parent changed")},
      // The item's own folder in the Trash, for a link to a folder holding another item of its name.
      {"source folder swapped for a link",
       [&](const RestorePlan&) {
         SampleMac::writeFile(elsewhere + "/item", "theirs");
         fs::rename(trash + "/box", root + "/moved");
         fs::create_directory_symlink(elsewhere, trash + "/box");
       },
       RestoreOutcome::failed("open source parent")},
  };
  for (bool forceCopy : {false, true}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.label) + (forceCopy ? " copy" : " rename"));
      fs::remove_all(root + "/moved");
      for (const std::string& folder : {docs, trash + "/box"})
        if (fs::is_symlink(folder)) fs::remove(folder);
      fs::remove_all(docs);
      fs::remove_all(elsewhere);
      fs::create_directories(docs);
      fs::create_directories(elsewhere);
      SampleMac::writeFile(trash + "/item", "ours");
      SampleMac::writeFile(trash + "/box/item", "ours");
      const bool inBox = std::string(c.label).starts_with("source");
      std::map<std::string, std::string> after;
      RestoreExecutor::Collaborators hook;
      hook.afterPlanning = [&](const RestorePlan& p) {
        c.change(p);
        after = test_support::treeListing(root);
      };
      EXPECT_EQ(RestoreExecutor(hook).restore(trash + (inBox ? "/box/item" : "/item"), {"item", docs, "item"}, roots,
                                              forceCopy),
                c.expected);
      EXPECT_EQ(test_support::treeListing(root), after);  // nothing written, the item where it was
    }
  }
}

// A restore by copy whose original cannot be removed afterwards (its Trash folder is mounted read-only in a
// private mount namespace) says so: the copy is in place and the original is still in the Trash.
TEST(RestoreSourceRemoveTest, AnOriginalThatCannotBeRemovedAfterTheCopyIsReported) {
  if (const char* folder = std::getenv("CORVANE_READ_ONLY_TRASH")) {
    const std::string trash = std::string(folder) + "/.Trash", docs = std::string(folder) + "/Documents";
    const RestoreOutcome outcome = RestoreExecutor().restore(trash + "/item", {"item", docs, "item"}, {trash}, true);
    EXPECT_EQ(outcome, RestoreOutcome::sourceRemoveFailed(docs + "/item"));
    EXPECT_EQ(BulkRestoreSummary::single(outcome, "item"),
              "Put 'item' back to " + docs + ", but a copy still remains in the Trash.");
    EXPECT_EQ(SampleMac::readFile(docs + "/item"), "ours");
    EXPECT_EQ(SampleMac::readFile(trash + "/item"), "ours");
    return;
  }
  TemporaryFolder tmp("read-only-trash");
  const std::string root = *platform::realPath(tmp.path());
  SampleMac::writeFile(root + "/.Trash/item", "ours");
  fs::create_directories(root + "/Documents");
  CommandRunner shell;
  if (shell.runWithStatus("/usr/bin/unshare", {"-m", "true"}).status != 0) GTEST_SKIP() << "no private mount namespace";
  auto outcome = shell.runWithStatus(
      "/usr/bin/unshare",
      {"-m", "--propagation", "private", "/bin/sh", "-c",
       "mount --bind \"$1/.Trash\" \"$1/.Trash\" && mount -o remount,bind,ro \"$1/.Trash\" && "
       "CORVANE_READ_ONLY_TRASH=\"$1\" exec \"$2\" --gtest_filter=RestoreSourceRemoveTest.*",
       "sh", root, fs::read_symlink("/proc/self/exe").string()});
  EXPECT_EQ(outcome.status, 0) << outcome.output;
  EXPECT_NE(outcome.output.find("[  PASSED  ] 1 test."), std::string::npos) << outcome.output;
}

}  // namespace
}  // namespace corvane
