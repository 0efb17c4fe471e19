#include "platform/atomic_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "sample_mac/sample_mac.h"

namespace corvane::platform {
namespace {

namespace fs = std::filesystem;
using testing::SampleMac;
using testing::TemporaryFolder;

class AtomicFileTest : public ::testing::Test {
 protected:
  TemporaryFolder tmp;
  std::string at(const std::string& name) const { return tmp.path() + "/" + name; }

  // The real calls with fixed temporary names, handed out in turn.
  AtomicWriteCalls callsWithNames(std::vector<std::string> names) {
    AtomicWriteCalls calls = AtomicWriteCalls::system();
    auto next = std::make_shared<std::size_t>(0);
    calls.temporaryName = [names, next](const std::string&) {
      return *next < names.size() ? names[(*next)++] : std::string("exhausted");
    };
    return calls;
  }
};

TEST_F(AtomicFileTest, CreatesAndReplacesWithoutLeavingATemporary) {
  ASSERT_TRUE(writeFileAtomically(at("history.json"), "[]").has_value());
  EXPECT_EQ(SampleMac::readFile(at("history.json")), "[]");
  ASSERT_TRUE(writeFileAtomically(at("history.json"), std::string("new\0bytes", 9)).has_value());
  EXPECT_EQ(SampleMac::readFile(at("history.json")), std::string("new\0bytes", 9));
  EXPECT_EQ(SampleMac::entryNames(tmp.path()), std::set<std::string>{"history.json"});
  // The folder must already be there.
  auto missing = writeFileAtomically(at("absent/history.json"), "[]");
  ASSERT_FALSE(missing.has_value());
  EXPECT_EQ(missing.error().code, ENOENT);
}

TEST_F(AtomicFileTest, TemporaryNamesAreHiddenAndFresh) {
  auto calls = AtomicWriteCalls::system();
  std::string a = calls.temporaryName("history.json");
  std::string b = calls.temporaryName("history.json");
  EXPECT_EQ(a.rfind(".history.json.tmp-", 0), 0u);
  EXPECT_EQ(a.size(), std::string(".history.json.tmp-").size() + 16);
  EXPECT_NE(a, b);
}

TEST_F(AtomicFileTest, ShortWritesAndInterruptionsStillWriteEveryByte) {
  AtomicWriteCalls calls = AtomicWriteCalls::system();
  auto realWrite = calls.write;
  auto count = std::make_shared<int>(0);
  calls.write = [realWrite, count](int fd, const void* data, std::size_t size) -> long {
    if ((*count)++ % 2 == 0) {
      errno = EINTR;
      return -1;
    }
    return realWrite(fd, data, size < 3 ? size : 3);
  };
  auto realFsync = calls.fsync;
  auto fsyncs = std::make_shared<int>(0);
  calls.fsync = [realFsync, fsyncs](int fd) {
    if ((*fsyncs)++ == 0) {
      errno = EINTR;
      return -1;
    }
    return realFsync(fd);
  };
  const std::string text = "[\n  {\n    \"id\": \"x\"\n  }\n]";
  ASSERT_TRUE(writeFileAtomically(at("history.json"), text, 0644, calls).has_value());
  EXPECT_EQ(SampleMac::readFile(at("history.json")), text);
  EXPECT_EQ(*count, 2 * static_cast<int>((text.size() + 2) / 3));
  EXPECT_EQ(*fsyncs, 3);  // the interrupted one, the file's, the folder's
}

TEST_F(AtomicFileTest, AFailureAtAnyStepLeavesTheOldFileAndNoTemporary) {
  struct Case {
    const char* step;
    int code;
  };
  for (const Case& c : {Case{"write", EIO}, Case{"write0", EIO}, Case{"fsync", EIO}, Case{"close", EIO},
                        Case{"rename", EXDEV}}) {
    SCOPED_TRACE(c.step);
    SampleMac::writeFile(at("history.json"), "old");
    AtomicWriteCalls calls = AtomicWriteCalls::system();
    const std::string step = c.step;
    const int code = c.code;
    auto realWrite = calls.write;
    calls.write = [=](int fd, const void* data, std::size_t size) -> long {
      if (step == "write0") return size > 2 ? realWrite(fd, data, 2) : 0;  // stalls part-way
      if (step == "write") {
        errno = code;
        return -1;
      }
      return realWrite(fd, data, size);
    };
    auto realFsync = calls.fsync;
    calls.fsync = [=](int fd) {
      if (step == "fsync") {
        errno = code;
        return -1;
      }
      return realFsync(fd);
    };
    auto realClose = calls.close;
    calls.close = [=](int fd) {
      int result = realClose(fd);
      if (step == "close") {
        errno = code;
        return -1;
      }
      return result;
    };
    auto realRename = calls.renameat;
    calls.renameat = [=](int fromDir, const char* from, int toDir, const char* to) {
      if (step == "rename") {
        errno = code;
        return -1;
      }
      return realRename(fromDir, from, toDir, to);
    };

    auto written = writeFileAtomically(at("history.json"), "new contents", 0644, calls);
    ASSERT_FALSE(written.has_value());
    EXPECT_EQ(written.error().code, code);
    EXPECT_EQ(written.error().path, at("history.json"));
    EXPECT_EQ(SampleMac::readFile(at("history.json")), "old");
    EXPECT_EQ(SampleMac::entryNames(tmp.path()), std::set<std::string>{"history.json"});
  }
}

TEST_F(AtomicFileTest, ATargetThatIsAFolderFailsWithoutATemporaryLeft) {
  SampleMac::writeFile(at("history.json/inside"), "kept");
  auto written = writeFileAtomically(at("history.json"), "[]");
  ASSERT_FALSE(written.has_value());
  EXPECT_EQ(written.error().operation, "rename");
  EXPECT_EQ(SampleMac::readFile(at("history.json/inside")), "kept");
  EXPECT_EQ(SampleMac::entryNames(tmp.path()), std::set<std::string>{"history.json"});
}

TEST_F(AtomicFileTest, NeverFollowsALinkPlantedAtTheTemporaryName) {
  SampleMac::writeFile(at("victim"), "precious");
  fs::create_symlink(at("victim"), at("tmp-a"));
  fs::create_symlink(at("not-yet-there"), at("tmp-b"));  // dangling: must not be created through
  auto written = writeFileAtomically(at("history.json"), "[]", 0644, callsWithNames({"tmp-a", "tmp-b", "tmp-c"}));
  ASSERT_TRUE(written.has_value());
  EXPECT_EQ(SampleMac::readFile(at("history.json")), "[]");
  EXPECT_EQ(SampleMac::readFile(at("victim")), "precious");
  EXPECT_FALSE(fs::exists(at("not-yet-there")));
  EXPECT_TRUE(fs::is_symlink(at("tmp-a")));
  EXPECT_TRUE(fs::is_symlink(at("tmp-b")));
  EXPECT_EQ(SampleMac::entryNames(tmp.path()), (std::set<std::string>{"history.json", "tmp-a", "tmp-b", "victim"}));
}

TEST_F(AtomicFileTest, GivesUpWhenEveryTemporaryNameIsTaken) {
  SampleMac::writeFile(at("victim"), "precious");
  fs::create_symlink(at("victim"), at("taken"));
  std::vector<std::string> names(kAtomicWriteNameAttempts, "taken");
  names.push_back("free");
  auto written = writeFileAtomically(at("history.json"), "[]", 0644, callsWithNames(names));
  ASSERT_FALSE(written.has_value());
  EXPECT_EQ(written.error().code, EEXIST);
  EXPECT_EQ(SampleMac::readFile(at("victim")), "precious");
  EXPECT_EQ(SampleMac::entryNames(tmp.path()), (std::set<std::string>{"taken", "victim"}));
}

TEST_F(AtomicFileTest, ALinkAtTheTargetIsReplacedNotFollowed) {
  SampleMac::writeFile(at("elsewhere.json"), "other");
  fs::create_symlink(at("elsewhere.json"), at("history.json"));
  ASSERT_TRUE(writeFileAtomically(at("history.json"), "[]").has_value());
  EXPECT_FALSE(fs::is_symlink(at("history.json")));
  EXPECT_EQ(SampleMac::readFile(at("history.json")), "[]");
  EXPECT_EQ(SampleMac::readFile(at("elsewhere.json")), "other");
}

TEST_F(AtomicFileTest, CreateDirectoriesMakesEveryMissingParent) {
  const std::string deep = at("home/Library/Application Support/Corvane");
  ASSERT_TRUE(createDirectories(deep).has_value());
  EXPECT_TRUE(fs::is_directory(deep));
  ASSERT_TRUE(createDirectories(deep + "/").has_value());  // already there

  // Through a link to a folder, as a home folder may be reached.
  fs::create_directory_symlink(at("home"), at("link"));
  ASSERT_TRUE(createDirectories(at("link/Library/Logs")).has_value());
  EXPECT_TRUE(fs::is_directory(at("home/Library/Logs")));

  SampleMac::writeFile(at("file"), "x");
  auto blocked = createDirectories(at("file/below"));
  ASSERT_FALSE(blocked.has_value());
  EXPECT_EQ(blocked.error().code, ENOTDIR);
  auto itself = createDirectories(at("file"));
  ASSERT_FALSE(itself.has_value());
  EXPECT_EQ(itself.error().code, ENOTDIR);
}

}  // namespace
}  // namespace corvane::platform
