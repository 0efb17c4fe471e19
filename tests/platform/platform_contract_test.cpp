// What every system's implementation of src/platform promises, written once against its headers: these
// run on Linux here and unchanged on a Mac.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <set>
#include <string>
#include <tuple>

#include "platform/atomic_file.h"
#include "platform/descriptor_ops.h"
#include "platform/unique_fd.h"
#include "platform/user_defaults.h"
#include "support/result_matchers.h"
#include "base/decimal_number.h"
#include "platform/directory.h"
#include "corvane/platform/file_system.h"
#include "platform/file_io.h"
#include "platform/file_status.h"
#include "platform/fs_ops.h"
#include "platform/mounted_volumes.h"
#include "platform/process.h"
#include "sample_mac/sample_mac.h"

namespace corvane::platform {
namespace {

namespace fs = std::filesystem;
using corvane::testing::SampleMac;
using corvane::testing::TemporaryFolder;

std::vector<std::uint8_t> bytes(const std::string& text) { return {text.begin(), text.end()}; }

class PlatformContractTest : public ::testing::Test {
 protected:
  std::string at(const std::string& name) const { return t + "/" + name; }

  TemporaryFolder tmp;
  const std::string t = tmp.path();
};

TEST_F(PlatformContractTest, ExclusiveRenameNeverReplacesAndNeverFollowsAFinalLink) {
  SampleMac::writeFile(t + "/a", "a");
  SampleMac::writeFile(t + "/dest/b", "b");
  SampleMac::writeFile(t + "/real/inner", "inner");
  fs::create_symlink(t + "/a", t + "/link");
  fs::create_symlink(t + "/real", t + "/linked");
  struct Case {
    std::string from, to;
    int error;  // 0: moved
  };
  const Case cases[] = {
      {t + "/a", t + "/dest/b", EEXIST},            // a taken name is never replaced
      {t + "/missing", t + "/dest/m", ENOENT},
      {"/", t + "/dest/root", EINVAL},
      {t + "/a", t + "/linked/a", ELOOP},           // a destination folder swapped for a link is refused
      {t + "/link", t + "/dest/link", 0},           // the link moves, not its target
      {t + "/linked/inner", t + "/inner", 0},       // links on the way to the source are followed
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.from + " -> " + c.to);
    auto renamed = renameExclusive(c.from, c.to);
    EXPECT_EQ(renamed.has_value() ? 0 : renamed.error().code, c.error);
  }
  EXPECT_EQ(SampleMac::readFile(t + "/a"), "a");
  EXPECT_EQ(SampleMac::readFile(t + "/dest/b"), "b");
  EXPECT_EQ(fs::read_symlink(t + "/dest/link"), t + "/a");
  EXPECT_EQ(SampleMac::readFile(t + "/inner"), "inner");
  EXPECT_TRUE(fs::is_empty(t + "/real"));

  // A volume that cannot rename without the risk of replacing gives a clear refusal, never a plain rename.
  EXPECT_EQ(exclusiveRenameError(ENOSYS, "Foo.app"), (Error{ENOTSUP, "rename", "Foo.app", kNoExclusiveRename}));
  EXPECT_EQ(exclusiveRenameError(EEXIST, "Foo.app"), Error::fromErrno(EEXIST, "rename", "Foo.app"));
  EXPECT_EQ(exclusiveRenameError(ENOTSUP, "Foo.app").describe(),
            "rename Foo.app: This volume cannot move an item without the risk of replacing another, so nothing was "
            "moved.");
}

TEST_F(PlatformContractTest, SplitPathGivesTheParentAndTheLastComponent) {
  for (auto [path, parent, name] : {std::tuple{"/a/b/", "/a", "b"}, std::tuple{"//top", "/", "top"}}) {
    SCOPED_TRACE(path);
    auto split = splitPath(path);
    ASSERT_TRUE(split.has_value());
    EXPECT_EQ(split->parent, parent);
    EXPECT_EQ(split->name, name);
  }
  for (const char* refused : {"", "/", "///", "relative/x", "/a/..", "/a/."}) {
    SCOPED_TRACE(refused);
    EXPECT_FALSE(splitPath(refused).has_value());
  }
}

TEST_F(PlatformContractTest, ListingAndLinkStatusTellLinksFromWhatTheyName) {
  SampleMac::writeFile(t + "/file", "12345");
  SampleMac::makeFolder(t + "/folder");
  SampleMac::writeFile(t + "/.hidden", "");
  fs::create_symlink(t + "/folder", t + "/link");

  auto shown = realFileSystem().list(t, {.sorted = true});
  ASSERT_TRUE(shown.has_value());
  EXPECT_EQ(shown->entries, (std::vector<FolderEntry>{{"file", EntryType::file},
                                                     {"folder", EntryType::directory},
                                                     {"link", EntryType::symbolicLink}}));
  EXPECT_EQ(realFileSystem().list(t, {.skipHidden = false}).value().entries.size(), 4u);
  EXPECT_EQ(realFileSystem().list(t + "/file").error().code, ENOTDIR);

  EXPECT_EQ(linkStatus(at("link"))->type(), FileType::symlink);
  EXPECT_EQ(status(at("link"))->type(), FileType::directory);
  EXPECT_EQ(linkStatus(t + "/file")->type(), FileType::regular);
  EXPECT_EQ(linkStatus(t + "/file")->size, 5);
  EXPECT_EQ(linkStatus(t + "/missing").error(), Error::fromErrno(ENOENT, "lstat", t + "/missing"));
  EXPECT_EQ(status(t + "/missing").error(), Error::fromErrno(ENOENT, "stat", t + "/missing"));
  EXPECT_EQ(identityStatus(t + "/missing").error().code, ENOENT);
  // Inside an open folder: the same record, a final link not followed.
  const auto folder = openDirectory(t);
  ASSERT_TRUE(folder.has_value());
  for (const char* name : {"file", "folder", "link"})
    EXPECT_EQ(identityStatusAt(folder->get(), name).value(), identityStatus(t + "/" + name).value()) << name;
  EXPECT_EQ(identityStatusAt(folder->get(), "link")->type(), FileType::symlink);
  EXPECT_EQ(identityStatusAt(folder->get(), "missing").error().code, ENOENT);
  EXPECT_EQ(realPath(t + "/link/").value_or(""), t + "/folder");
  EXPECT_EQ(realPath(t + "/missing").error(), Error::fromErrno(ENOENT, "realpath", t + "/missing"));
  EXPECT_EQ(readLink(t + "/file").error(), Error::fromErrno(EINVAL, "readlink", t + "/file"));
}

TEST_F(PlatformContractTest, AWalkVisitsFoldersBeforeChildrenInNameOrderAndHonoursSkipping) {
  SampleMac::writeFile(t + "/b/inner/file");
  SampleMac::writeFile(t + "/b/skipped/below");
  SampleMac::writeFile(t + "/A");
  SampleMac::writeFile(t + "/.hidden/x");
  SampleMac::writeFile(t + "/c/.dot");
  SampleMac::makeFolder(t + "/target/deep");
  fs::create_directory_symlink(t + "/target", t + "/link");

  std::vector<std::string> visited;
  const FileSystem& real = realFileSystem();
  EXPECT_TRUE(real.walk(t, {}, [&](const WalkItem& e) {
    EXPECT_EQ(e.path, t + "/" + e.path.substr(t.size() + 1));
    visited.push_back(e.path.substr(t.size() + 1));
    return e.name == "skipped" ? WalkStep::skipDescendants : WalkStep::descend;
  }).has_value());
  EXPECT_EQ(visited, (std::vector<std::string>{"A", "b", "b/inner", "b/inner/file", "b/skipped", "c", "link",
                                               "target", "target/deep"}));

  // The root itself may be reached through a link.
  std::vector<std::string> throughLink;
  EXPECT_TRUE(real.walk(t + "/link", {}, [&](const WalkItem& e) {
    throughLink.push_back(e.path);
    return WalkStep::descend;
  }).has_value());
  EXPECT_EQ(throughLink, std::vector<std::string>{t + "/link/deep"});
  auto descend = [](const WalkItem&) { return WalkStep::descend; };
  EXPECT_EQ(real.walk(t + "/missing", {}, descend).error().code, ENOENT);
  EXPECT_EQ(real.walk(t + "/A", {}, descend).error().code, ENOTDIR);
  EXPECT_TRUE(isHiddenItem(t, ".hidden"));
  EXPECT_FALSE(isHiddenItem(t, "b"));
}

TEST_F(PlatformContractTest, WholeFilesAreReadUpToTheLimitOrFailWithTheirErrno) {
  const std::string path = SampleMac::writeFile(t + "/f", std::string("ab\0cd", 5));
  EXPECT_EQ(readFileBytes(path, 5).value_or(std::vector<std::uint8_t>{}), bytes(std::string("ab\0cd", 5)));
  EXPECT_EQ(readFileBytes(path, 100).value_or(std::vector<std::uint8_t>{}), bytes(std::string("ab\0cd", 5)));
  EXPECT_EQ(readFileBytes(path, 4).error(), (Error{EFBIG, "read", path, "file is larger than 4 bytes"}));
  auto none = readFileBytes(SampleMac::writeFile(t + "/empty", ""), 0);
  ASSERT_OK(none);
  EXPECT_TRUE(none->empty());
  // Larger than a read chunk, through a symbolic link.
  std::string large = SampleMac::writeFile(t + "/large", std::string(200000, 'z'));
  fs::create_symlink(large, t + "/link");
  EXPECT_EQ(readFileBytes(t + "/link", 200000).value_or(std::vector<std::uint8_t>{}).size(), 200000u);

  const std::string missing = t + "/missing";
  EXPECT_EQ(readFileBytes(missing, 10).error(), Error::fromErrno(ENOENT, "open", missing));
  EXPECT_EQ(readFileBytes(t, 10).error(), Error::fromErrno(EISDIR, "read", t));
  // A pipe would block a reader: it is refused without waiting for a writer.
  const std::string fifo = t + "/fifo";
  ASSERT_EQ(std::system(("mkfifo " + fifo).c_str()), 0);
  EXPECT_EQ(readFileBytes(fifo, 10).error(), (Error{EINVAL, "read", fifo, "not a regular file"}));

  // Positioned reads take exact ranges.
  auto file = PositionedFile::open(SampleMac::writeFile(t + "/digits", "0123456789"));
  ASSERT_OK(file);
  EXPECT_EQ(file->size(), 10u);
  std::vector<std::uint8_t> four(4);
  ASSERT_OK(file->readAt(6, four));
  EXPECT_EQ(four, bytes("6789"));
  EXPECT_EQ(file->readAt(7, four).error(), Error::fromErrno(EIO, "pread", t + "/digits"));  // ends first
  EXPECT_EQ(PositionedFile::open(t).error(), Error::fromErrno(EISDIR, "read", t));
}

TEST_F(PlatformContractTest, OutputIsReadToEndOfFileRetryingOnlyInterruptions) {
  struct Case {
    std::vector<std::pair<std::string, int>> steps;  // text to hand out, or an errno to fail with
    std::string output;
    std::size_t reads;  // each offered the whole buffer
  };
  const Case cases[] = {
      {{{"abc", 0}, {"", EINTR}, {"de", 0}, {"", EINTR}, {"f", 0}}, "abcdef", 6},  // and the read that met end of file
      {{{"kept", 0}, {"", EIO}, {"never read", 0}}, "kept", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.output);
    std::vector<std::size_t> sizes;
    auto output = readToEOF(7, [&](int, std::uint8_t* buffer, std::size_t size, int& error) -> long {
      sizes.push_back(size);
      if (sizes.size() > c.steps.size()) return 0;
      const auto& [text, code] = c.steps[sizes.size() - 1];
      error = code;
      std::memcpy(buffer, text.data(), text.size());
      return code != 0 ? -1 : static_cast<long>(text.size());
    });
    EXPECT_EQ(std::string(output.begin(), output.end()), c.output);
    EXPECT_EQ(sizes, std::vector<std::size_t>(c.reads, 65536));
  }
}

TEST_F(PlatformContractTest, MountedVolumesIncludeTheRootAndOnlyShownVolumes) {
  auto volumes = mountedVolumes();
  ASSERT_TRUE(volumes.has_value());
  bool hasRoot = false;
  for (const auto& v : *volumes) {
    SCOPED_TRACE(v.mountPoint);
    ASSERT_FALSE(v.mountPoint.empty());
    EXPECT_EQ(v.mountPoint.front(), '/');
    EXPECT_NE(v.name, std::optional<std::string>(""));  // a name, when there is one, is never empty
    EXPECT_NE(v.isBrowsable, std::optional<bool>(false));  // hidden volumes are left out, not flagged
    if (v.isLocal == false) EXPECT_EQ(v.name, std::nullopt);  // a network volume is never asked its name
    hasRoot = hasRoot || v.mountPoint == "/";
  }
  EXPECT_TRUE(hasRoot);
}

// Locks are set and cleared through the folder: a named pipe (opening it would wait for a writer), a file
// nobody may read and a link (changed itself) take their flags at once. Where the system keeps no flags
// the calls succeed and nothing is locked.
TEST_F(PlatformContractTest, LockFlagsChangeThroughTheFolderWithoutOpeningTheItem) {
  constexpr std::uint32_t kUserImmutable = 0x2;
  ASSERT_EQ(::mkfifo(at("pipe").c_str(), 0600), 0);
  SampleMac::writeFile(at("unreadable"));
  ASSERT_EQ(::chmod(at("unreadable").c_str(), 0), 0);
  fs::create_symlink("pipe", at("link"));
  UniqueFd folder(::open(t.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  ASSERT_TRUE(folder.valid());
  for (const auto& [name, isLink] : {std::pair{"pipe", false}, {"unreadable", false}, {"link", true}}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(setFlagsAt(folder.get(), name, isLink, kUserImmutable).has_value());
    const auto locked = statusAt(folder.get(), name);
    ASSERT_TRUE(locked.has_value());
    EXPECT_TRUE(locked->flags == kUserImmutable || locked->flags == 0) << locked->flags;
    ASSERT_TRUE(setFlagsAt(folder.get(), name, isLink, 0).has_value());
    const auto cleared = statusAt(folder.get(), name);
    ASSERT_TRUE(cleared.has_value());
    EXPECT_EQ(cleared->flags, 0u);
  }
}

// A launch from a process whose standard input and output are closed still works: the child reads an
// empty input and its output reaches the pipe. Run in a child process, which may close its own streams.
TEST_F(PlatformContractTest, LaunchesWithStandardInputAndOutputClosed) {
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::close(STDIN_FILENO);
    ::close(STDOUT_FILENO);
    ProcessOutcome outcome = runProcess("/bin/sh", {"-c", "printf ok; cat"}, ErrorStream::discarded);
    ::_exit(outcome.launchError == 0 && std::string(outcome.output.begin(), outcome.output.end()) == "ok" ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

// Stores given as files are separate files, whatever the system: a test's store never meets another's.
TEST_F(PlatformContractTest, FileDefaultsStoresAreTheirOwn) {
  const DefaultsStore first{"", at("a/defaults.json")}, second{"", at("b/defaults.json")};
  ASSERT_TRUE(setUserDefaultsBool("On", true, first).has_value());
  ASSERT_TRUE(setUserDefaultsBool("Other", false, first).has_value());
  EXPECT_EQ(userDefaultsBool("On", first), true);
  EXPECT_EQ(userDefaultsBool("Other", first), false);
  EXPECT_EQ(userDefaultsBool("On", second), std::nullopt);
  EXPECT_EQ(SampleMac::readFile(at("a/defaults.json")), R"({"On":true,"Other":false})");
}

TEST_F(PlatformContractTest, MountInfoGivesMountPointsAndFlagsAndSkipsPseudoFileSystems) {
  const std::string text =
      "21 26 0:20 / /proc rw,relatime - proc proc rw\n"
      "26 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
      "40 26 8:17 / /Volumes/My\\040Disk rw,nosuid shared:7 master:2 - exfat /dev/sdb1 rw,uid=0\n"
      "41 26 8:18 / /media/ro-disk ro,relatime - ext4 /dev/sdb2 rw\n"
      "42 26 8:19 / /media/super-ro rw,relatime - ext4 /dev/sdb3 ro,errors=continue\n"
      "43 26 0:50 / /mnt/share rw - nfs4 server:/export rw\n"
      "44 26 0:51 / /mnt/broken rw no-separator ext4\n"
      "45 26 0:52 / relative rw - ext4 /dev/sdc rw\n"
      "\n"
      "46 26 0:53 / /mnt/back\\134slash\\99 rw - tmpfs tmpfs rw";
  std::vector<MountedVolume> expected = {
      {"/", std::nullopt, true, true, false},
      {"/Volumes/My Disk", std::nullopt, true, true, false},
      {"/media/ro-disk", std::nullopt, true, true, true},
      {"/media/super-ro", std::nullopt, true, true, true},
      {"/mnt/share", std::nullopt, true, false, false},
      {"/mnt/back\\slash\\99", std::nullopt, true, true, false},
  };
  EXPECT_EQ(parseMountInfo(text), expected);
  EXPECT_TRUE(parseMountInfo("").empty());
  EXPECT_TRUE(parseMountInfo("1 2 3 4 - x").empty());
}

TEST_F(PlatformContractTest, DecimalNumbersAreReadInTheCLocaleFormWhole) {
  const double inf = std::numeric_limits<double>::infinity();
  const std::pair<std::string, double> cases[] = {
      {".5", 0.5}, {"5.", 5.0}, {"-2.5E-3", -0.0025}, {"1.5", 1.5},  // a comma-decimal locale would give 1
      {"-Infinity", -inf}, {"4.9e-324", std::numeric_limits<double>::denorm_min()},
      {"1.7976931348623157e308", std::numeric_limits<double>::max()},
  };
  for (const auto& [text, value] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(parseDecimalNumber(text), value);
  }
  EXPECT_TRUE(std::isnan(parseDecimalNumber("-nan").value_or(0)));
  const std::string refused[] = {"", ".", "1,5", "+1", " 1", "1 ", "0x10", "1e", "1e999", "1e-999", "infinit",
                                 std::string("1\0" "2", 3)};
  for (const std::string& text : refused) {
    SCOPED_TRACE(text);
    EXPECT_EQ(parseDecimalNumber(text), std::nullopt);
  }
}

// Atomic replacement of a file, with the system calls replaceable to fail or interrupt one part-way.
class AtomicFileTest : public PlatformContractTest {
 protected:
  // The real calls with fixed temporary names, handed out in turn.
  static AtomicWriteCalls callsWithNames(std::vector<std::string> names) {
    AtomicWriteCalls calls = AtomicWriteCalls::system();
    auto next = std::make_shared<std::size_t>(0);
    calls.temporaryName = [names, next](const std::string&) {
      return *next < names.size() ? names[(*next)++] : std::string("exhausted");
    };
    return calls;
  }
  // Fails like a system call with `code`.
  static auto failWith(int code) {
    return [code] {
      errno = code;
      return -1;
    };
  }
};

TEST_F(AtomicFileTest, CreatesOrReplacesTheTargetItselfAndLeavesNoTemporary) {
  ASSERT_OK(writeFileAtomically(at("history.json"), "[]"));
  EXPECT_EQ(SampleMac::readFile(at("history.json")), "[]");
  ASSERT_OK(writeFileAtomically(at("history.json"), std::string("new\0bytes", 9)));
  EXPECT_EQ(SampleMac::readFile(at("history.json")), std::string("new\0bytes", 9));
  // A link at the target is replaced, not followed.
  SampleMac::writeFile(at("elsewhere.json"), "other");
  fs::create_symlink(at("elsewhere.json"), at("link.json"));
  ASSERT_OK(writeFileAtomically(at("link.json"), "[]"));
  EXPECT_FALSE(fs::is_symlink(at("link.json")));
  EXPECT_EQ(SampleMac::readFile(at("link.json")), "[]");
  EXPECT_EQ(SampleMac::readFile(at("elsewhere.json")), "other");
  // A folder at the target stays; the folder to write into must already be there.
  SampleMac::writeFile(at("folder.json/inside"), "kept");
  auto onFolder = writeFileAtomically(at("folder.json"), "[]");
  ASSERT_FALSE(onFolder.has_value());
  EXPECT_EQ(onFolder.error().operation, "rename");
  EXPECT_EQ(SampleMac::readFile(at("folder.json/inside")), "kept");
  auto missing = writeFileAtomically(at("absent/history.json"), "[]");
  ASSERT_FALSE(missing.has_value());
  EXPECT_EQ(missing.error().code, ENOENT);
  EXPECT_EQ(SampleMac::entryNames(t),
            (std::set<std::string>{"elsewhere.json", "folder.json", "history.json", "link.json"}));

  std::string a = AtomicWriteCalls::system().temporaryName("history.json");
  EXPECT_EQ(a.rfind(".history.json.tmp-", 0), 0u);
  EXPECT_EQ(a.size(), std::string(".history.json.tmp-").size() + 16);
  EXPECT_NE(a, AtomicWriteCalls::system().temporaryName("history.json"));
}

TEST_F(AtomicFileTest, ShortWritesAndInterruptionsStillWriteEveryByte) {
  AtomicWriteCalls calls = AtomicWriteCalls::system();
  auto writes = std::make_shared<int>(0);
  calls.write = [realWrite = calls.write, writes](int fd, const void* data, std::size_t size) -> long {
    return (*writes)++ % 2 == 0 ? failWith(EINTR)() : realWrite(fd, data, size < 3 ? size : 3);
  };
  auto fsyncs = std::make_shared<int>(0);
  calls.fsync = [realFsync = calls.fsync, fsyncs](int fd) {
    return (*fsyncs)++ == 0 ? failWith(EINTR)() : realFsync(fd);
  };
  const std::string text = "[\n  {\n    \"id\": \"x\"\n  }\n]";
  ASSERT_OK(writeFileAtomically(at("history.json"), text, 0644, calls));
  EXPECT_EQ(SampleMac::readFile(at("history.json")), text);
  EXPECT_EQ(*writes, 2 * static_cast<int>((text.size() + 2) / 3));
  EXPECT_EQ(*fsyncs, 3);  // the interrupted one, the file's, the folder's
}

TEST_F(AtomicFileTest, AFailureAtAnyStepLeavesTheOldFileAndNoTemporary) {
  for (auto [step, code] : {std::pair{"write", EIO}, std::pair{"write0", EIO}, std::pair{"fsync", EIO},
                            std::pair{"close", EIO}, std::pair{"rename", EXDEV}}) {
    SCOPED_TRACE(step);
    SampleMac::writeFile(at("history.json"), "old");
    AtomicWriteCalls calls = AtomicWriteCalls::system();
    const std::string s = step;
    const auto fail = failWith(code);
    calls.write = [=, realWrite = calls.write](int fd, const void* data, std::size_t size) -> long {
      if (s == "write0") return size > 2 ? realWrite(fd, data, 2) : 0;  // stalls part-way
      return s == "write" ? fail() : realWrite(fd, data, size);
    };
    calls.fsync = [=, realFsync = calls.fsync](int fd) { return s == "fsync" ? fail() : realFsync(fd); };
    calls.close = [=, realClose = calls.close](int fd) {
      int result = realClose(fd);
      return s == "close" ? fail() : result;
    };
    calls.renameat = [=, realRename = calls.renameat](int fromDir, const char* from, int toDir, const char* to) {
      return s == "rename" ? fail() : realRename(fromDir, from, toDir, to);
    };

    auto written = writeFileAtomically(at("history.json"), "new contents", 0644, calls);
    ASSERT_FALSE(written.has_value());
    EXPECT_EQ(written.error().code, code);
    EXPECT_EQ(written.error().path, at("history.json"));
    EXPECT_EQ(SampleMac::readFile(at("history.json")), "old");
    EXPECT_EQ(SampleMac::entryNames(t), std::set<std::string>{"history.json"});
  }
}

TEST_F(AtomicFileTest, NeverFollowsALinkAtTheTemporaryNameAndGivesUpWhenEveryNameIsTaken) {
  SampleMac::writeFile(at("victim"), "precious");
  fs::create_symlink(at("victim"), at("tmp-a"));
  std::vector<std::string> taken(kAtomicWriteNameAttempts, "tmp-a");
  taken.push_back("free");
  auto refused = writeFileAtomically(at("history.json"), "[]", 0644, callsWithNames(taken));
  ASSERT_FALSE(refused.has_value());
  EXPECT_EQ(refused.error().code, EEXIST);
  EXPECT_EQ(SampleMac::entryNames(t), (std::set<std::string>{"tmp-a", "victim"}));

  fs::create_symlink(at("not-yet-there"), at("tmp-b"));  // dangling: must not be created through
  auto written = writeFileAtomically(at("history.json"), "[]", 0644, callsWithNames({"tmp-a", "tmp-b", "tmp-c"}));
  ASSERT_OK(written);
  EXPECT_EQ(SampleMac::readFile(at("history.json")), "[]");
  EXPECT_EQ(SampleMac::readFile(at("victim")), "precious");
  EXPECT_FALSE(fs::exists(at("not-yet-there")));
  EXPECT_TRUE(fs::is_symlink(at("tmp-a")) && fs::is_symlink(at("tmp-b")));
  EXPECT_EQ(SampleMac::entryNames(t), (std::set<std::string>{"history.json", "tmp-a", "tmp-b", "victim"}));
}

TEST_F(AtomicFileTest, CreateDirectoriesMakesEveryMissingParent) {
  const std::string deep = at("home/Library/Application Support/Corvane");
  ASSERT_OK(createDirectories(deep));
  EXPECT_TRUE(fs::is_directory(deep));
  ASSERT_OK(createDirectories(deep + "/"));  // already there
  // Through a link to a folder, as a home folder may be reached.
  fs::create_directory_symlink(at("home"), at("link"));
  ASSERT_OK(createDirectories(at("link/Library/Logs")));
  EXPECT_TRUE(fs::is_directory(at("home/Library/Logs")));

  SampleMac::writeFile(at("file"), "x");
  EXPECT_EQ(createDirectories(at("file/below")).error().code, ENOTDIR);
}

}  // namespace
}  // namespace corvane::platform
