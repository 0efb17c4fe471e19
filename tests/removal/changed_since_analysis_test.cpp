#include "corvane/changed_since_analysis.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::SampleMac;
using testing::TemporaryFolder;

FileFinding findingAt(const std::string& path) {
  return FileFinding::make(Url::fileURL(path), FindingKind::cache, FindingConfidence::safeToRemove, 82, {},
                           std::nullopt, std::nullopt, false, std::nullopt);
}

class ChangedSinceAnalysisTest : public ::testing::Test {
 protected:
  TemporaryFolder tmp;
  std::string at(const std::string& name) const { return tmp.path() + "/" + name; }
};

TEST_F(ChangedSinceAnalysisTest, FileWrittenToIsStillTheSameObject) {
  SampleMac::writeFile(at("log.txt"), "one");
  FileFinding f = findingAt(at("log.txt"));
  ASSERT_TRUE(f.diskIdentity.has_value());
  {
    std::ofstream out(at("log.txt"), std::ios::app);
    out << std::string(100000, 'x');
  }
  auto result = ChangedSinceAnalysis::partition({f});
  EXPECT_EQ(result.unchanged, std::vector<FileFinding>{f});
  EXPECT_TRUE(result.refused.empty());
}

TEST_F(ChangedSinceAnalysisTest, FileReplacedByNewInodeIsRefused) {
  SampleMac::writeFile(at("prefs.plist"), "old");
  FileFinding f = findingAt(at("prefs.plist"));
  // Write the replacement first so the old inode cannot be reused for it, then rename it over.
  SampleMac::writeFile(at("prefs.plist.new"), "new");
  fs::rename(at("prefs.plist.new"), at("prefs.plist"));
  auto result = ChangedSinceAnalysis::partition({f});
  ASSERT_EQ(result.refused.size(), 1u);
  EXPECT_TRUE(result.unchanged.empty());
  const TrashOperation& op = result.refused[0];
  EXPECT_EQ(op.originalURL, f.url);
  EXPECT_FALSE(op.succeeded);
  EXPECT_FALSE(op.trashedURL.has_value());
  EXPECT_EQ(op.errorDescription,
            "It changed after it was analyzed, so it was left where it is. Analyze again to review it.");
  EXPECT_EQ(op.failureReason, RemovalFailureReason::changedSinceAnalysis);
}

TEST_F(ChangedSinceAnalysisTest, FileDeletedAndCreatedAgainUnderTheSameInodeIsRefused) {
  // ext4 gives a freed inode number to the next new file at once; try until that happens (it does at
  // the first attempt there), so that only the creation stamp can tell the two files apart.
  FileFinding f;
  bool reused = false;
  for (int attempt = 0; attempt < 20 && !reused; ++attempt) {
    SampleMac::writeFile(at("state"), "reviewed");
    f = findingAt(at("state"));
    fs::remove(at("state"));
    SampleMac::writeFile(at("state"), "never reviewed");
    reused = DiskIdentity::current(f.url) == f.diskIdentity;
  }
  auto result = ChangedSinceAnalysis::partition({f});
  ASSERT_EQ(result.refused.size(), 1u);
  EXPECT_EQ(result.refused[0].failureReason, RemovalFailureReason::changedSinceAnalysis);
  if (!reused) GTEST_LOG_(INFO) << "the file system never reused the inode number";

  // An identity read back from a record (no stamp) still matches the same object by its three fields.
  DiskIdentity recorded = *DiskIdentity::current(f.url);
  recorded.creationStamp = 0;
  f.diskIdentity = recorded;
  EXPECT_EQ(ChangedSinceAnalysis::partition({f}).unchanged, std::vector<FileFinding>{f});
}

TEST_F(ChangedSinceAnalysisTest, FolderReplacedByLinkIsRefusedWithoutFollowingIt) {
  SampleMac::makeFolder(at("Caches/com.example.app"));
  SampleMac::makeFolder(at("elsewhere"));
  FileFinding f = findingAt(at("Caches/com.example.app"));
  fs::remove_all(at("Caches/com.example.app"));
  fs::create_directory_symlink(at("elsewhere"), at("Caches/com.example.app"));
  auto now = DiskIdentity::current(f.url);
  ASSERT_TRUE(now.has_value());
  EXPECT_EQ(now->fileType, 0xA000u);  // the link itself, not the folder it points to
  auto result = ChangedSinceAnalysis::partition({f});
  ASSERT_EQ(result.refused.size(), 1u);
  EXPECT_EQ(result.refused[0].failureReason, RemovalFailureReason::changedSinceAnalysis);
  EXPECT_TRUE(fs::exists(at("elsewhere")));
}

TEST_F(ChangedSinceAnalysisTest, DeletedItemIsRefusedAsMissing) {
  SampleMac::writeFile(at("gone"), "x");
  FileFinding f = findingAt(at("gone"));
  fs::remove(at("gone"));
  auto result = ChangedSinceAnalysis::partition({f});
  ASSERT_EQ(result.refused.size(), 1u);
  EXPECT_EQ(result.refused[0].errorDescription, "It was no longer there when removal ran.");
  EXPECT_EQ(result.refused[0].failureReason, RemovalFailureReason::itemMissing);
}

TEST_F(ChangedSinceAnalysisTest, KeepsOrderAndPassesFindingsWithoutIdentity) {
  auto make = [](const char* path, std::optional<DiskIdentity> identity) {
    FileFinding f;
    f.url = Url::fileURL(path);
    f.diskIdentity = identity;
    return f;
  };
  DiskIdentity same{1, 10, 0x8000}, other{1, 11, 0x8000};
  FileFinding a = make("/a", same), b = make("/b", same), c = make("/c", std::nullopt), d = make("/d", same);
  auto current = [&](const Url& u) -> std::optional<DiskIdentity> {
    if (u.path() == "/b") return std::nullopt;
    if (u.path() == "/d") return other;
    return same;
  };
  auto result = ChangedSinceAnalysis::partition({a, b, c, d}, current);
  EXPECT_EQ(result.unchanged, (std::vector<FileFinding>{a, c}));
  ASSERT_EQ(result.refused.size(), 2u);
  EXPECT_EQ(result.refused[0].originalURL.path(), "/b");
  EXPECT_EQ(result.refused[0].failureReason, RemovalFailureReason::itemMissing);
  EXPECT_EQ(result.refused[1].originalURL.path(), "/d");
  EXPECT_NE(result.refused[0].id, result.refused[1].id);

  auto empty = ChangedSinceAnalysis::partition({}, current);
  EXPECT_TRUE(empty.unchanged.empty());
  EXPECT_TRUE(empty.refused.empty());
}

TEST_F(ChangedSinceAnalysisTest, DiskIdentityOfMissingPathIsAbsent) {
  EXPECT_FALSE(DiskIdentity::current(Url::fileURL(at("nothing-here"))).has_value());
  SampleMac::makeFolder(at("dir"));
  auto folder = DiskIdentity::current(Url::fileURL(at("dir") + "/"));
  ASSERT_TRUE(folder.has_value());
  EXPECT_EQ(folder->fileType, 0x4000u);
}

}  // namespace
}  // namespace corvane
