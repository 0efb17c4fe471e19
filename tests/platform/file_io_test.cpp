#include "platform/file_io.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "sample_mac/sample_mac.h"

namespace corvane::platform {
namespace {

using corvane::testing::SampleMac;
using corvane::testing::TemporaryFolder;

std::vector<std::uint8_t> bytes(const std::string& text) { return {text.begin(), text.end()}; }

TEST(FileIOTest, ReadsWholeFilesUpToTheLimit) {
  TemporaryFolder folder;
  std::string path = SampleMac::writeFile(folder.path() + "/f", std::string("ab\0cd", 5));
  EXPECT_EQ(readFileBytes(path, 5).value_or(std::vector<std::uint8_t>{}), bytes(std::string("ab\0cd", 5)));
  EXPECT_EQ(readFileBytes(path, 100).value_or(std::vector<std::uint8_t>{}), bytes(std::string("ab\0cd", 5)));
  std::string empty = SampleMac::writeFile(folder.path() + "/empty", "");
  auto none = readFileBytes(empty, 0);
  ASSERT_TRUE(none.has_value());
  EXPECT_TRUE(none->empty());

  // Larger than a read chunk, through a symbolic link.
  std::string large = SampleMac::writeFile(folder.path() + "/large", std::string(200000, 'z'));
  std::filesystem::create_symlink(large, folder.path() + "/link");
  auto read = readFileBytes(folder.path() + "/link", 200000);
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->size(), 200000u);
}

TEST(FileIOTest, ReportsEachFailureWithItsErrno) {
  TemporaryFolder folder;
  std::string path = SampleMac::writeFile(folder.path() + "/f", "12345");
  auto tooBig = readFileBytes(path, 4);
  ASSERT_FALSE(tooBig.has_value());
  EXPECT_EQ(tooBig.error(), (Error{EFBIG, "read", path, "file is larger than 4 bytes"}));

  std::string missing = folder.path() + "/missing";
  EXPECT_EQ(readFileBytes(missing, 10).error(), Error::fromErrno(ENOENT, "open", missing));
  EXPECT_EQ(readFileBytes(folder.path(), 10).error(), Error::fromErrno(EISDIR, "read", folder.path()));

  // A pipe would block a reader: it is refused without waiting for a writer.
  std::string fifo = folder.path() + "/fifo";
  ASSERT_EQ(std::system(("mkfifo " + fifo).c_str()), 0);
  EXPECT_EQ(readFileBytes(fifo, 10).error(), (Error{EINVAL, "read", fifo, "not a regular file"}));
}

TEST(FileIOTest, PositionedReadsTakeExactRanges) {
  TemporaryFolder folder;
  std::string path = SampleMac::writeFile(folder.path() + "/f", "0123456789");
  auto file = PositionedFile::open(path);
  ASSERT_TRUE(file.has_value());
  EXPECT_EQ(file->size(), 10u);
  std::vector<std::uint8_t> four(4);
  ASSERT_TRUE(file->readAt(6, four).has_value());
  EXPECT_EQ(four, bytes("6789"));
  EXPECT_EQ(file->readAt(7, four).error(), Error::fromErrno(EIO, "pread", path));  // the file ends first
  EXPECT_EQ(PositionedFile::open(folder.path()).error(), Error::fromErrno(EISDIR, "read", folder.path()));
}

TEST(FileIOTest, ReadsFilesThatReportNoSize) {
  const std::string path = "/proc/self/status";
  if (!std::filesystem::exists(path)) GTEST_SKIP() << "no " << path;
  auto read = readFileBytes(path, 1u << 20);
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(std::string(read->begin(), read->begin() + 5), "Name:");
  auto capped = readFileBytes(path, 10);
  ASSERT_FALSE(capped.has_value());
  EXPECT_EQ(capped.error().code, EFBIG);
}

}  // namespace
}  // namespace corvane::platform
