#include "corvane/removal/changed_since_analysis.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "sample_mac/sample_mac.h"
#include "platform/disk_identity.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::SampleMac;

FileFinding findingAt(const std::string& path) {
  return FileFinding::make(Url::fileURL(path), FindingKind::cache, FindingConfidence::safeToRemove, 82, {},
                           std::nullopt, std::nullopt, false, std::nullopt,
                           valueIfAny(platform::diskIdentityOf(Url::fileURL(path))));
}

class ChangedSinceAnalysisTest : public ::testing::Test {
 protected:
  testing::TemporaryFolder tmp;
  std::string at(const std::string& name) const { return tmp.path() + "/" + name; }
};

TEST_F(ChangedSinceAnalysisTest, RefusesInOrderWhatIsNoLongerTheAnalysedObject) {
  SampleMac::writeFile(at("log.txt"), "one");
  SampleMac::writeFile(at("prefs.plist"), "old");
  SampleMac::makeFolder(at("Caches/com.example.app"));
  SampleMac::writeFile(at("gone"), "x");
  SampleMac::makeFolder(at("elsewhere"));
  std::vector<FileFinding> findings;
  for (const char* name : {"log.txt", "prefs.plist", "Caches/com.example.app", "gone", "never-there"})
    findings.push_back(findingAt(at(name)));
  ASSERT_FALSE(findings[4].diskIdentity.has_value());  // passes unchecked

  // Written to: still the same object. Replaced by a rename (the replacement written first, so that it cannot
  // take the old inode), turned into a link, deleted: refused.
  std::ofstream(at("log.txt"), std::ios::app) << std::string(100000, 'x');
  SampleMac::writeFile(at("prefs.plist.new"), "new");
  fs::rename(at("prefs.plist.new"), at("prefs.plist"));
  fs::remove_all(at("Caches/com.example.app"));
  fs::create_directory_symlink(at("elsewhere"), at("Caches/com.example.app"));
  fs::remove(at("gone"));
  EXPECT_EQ(platform::diskIdentityOf(findings[2].url)->fileType, 0xA000u);  // the link, not the folder it points to
  EXPECT_EQ(platform::diskIdentityOf(Url::fileURL(at("elsewhere") + "/"))->fileType, 0x4000u);

  auto result = ChangedSinceAnalysis::partition(findings);
  EXPECT_EQ(result.unchanged, (std::vector<FileFinding>{findings[0], findings[4]}));
  const std::string changed =
      "It changed after it was analyzed, so it was left where it is. Analyze again to review it.";
  const struct {
    std::size_t finding;
    std::string text;
    RemovalFailureReason reason;
  } expected[] = {{1, changed, RemovalFailureReason::changedSinceAnalysis},
                  {2, changed, RemovalFailureReason::changedSinceAnalysis},
                  {3, "It was no longer there when removal ran.", RemovalFailureReason::itemMissing}};
  ASSERT_EQ(result.refused.size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    SCOPED_TRACE(i);
    const TrashOperation& op = result.refused[i];
    EXPECT_EQ(op.originalURL, findings[expected[i].finding].url);
    EXPECT_FALSE(op.succeeded);
    EXPECT_FALSE(op.trashedURL.has_value());
    EXPECT_EQ(op.errorDescription, expected[i].text);
    EXPECT_EQ(op.failureReason, expected[i].reason);
  }
  EXPECT_NE(result.refused[0].id, result.refused[1].id);
  EXPECT_TRUE(fs::exists(at("elsewhere")));
  EXPECT_EQ(ChangedSinceAnalysis::partition({}), ChangedSinceAnalysis::Partition{});
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
    reused = valueIfAny(platform::diskIdentityOf(f.url)) == f.diskIdentity;
  }
  auto result = ChangedSinceAnalysis::partition({f});
  ASSERT_EQ(result.refused.size(), 1u);
  EXPECT_EQ(result.refused[0].failureReason, RemovalFailureReason::changedSinceAnalysis);
  if (!reused) GTEST_LOG_(INFO) << "the file system never reused the inode number";

  // An identity read back from a record (no stamp) still matches the same object by its three fields.
  DiskIdentity recorded = *platform::diskIdentityOf(f.url);
  recorded.creationStamp = 0;
  f.diskIdentity = recorded;
  EXPECT_EQ(ChangedSinceAnalysis::partition({f}).unchanged, std::vector<FileFinding>{f});
}

}  // namespace
}  // namespace corvane
