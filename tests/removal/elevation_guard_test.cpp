#include "corvane/removal/elevation_guard.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "corvane/discovery/command_runner.h"
#include "platform/fs_ops.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::SampleMac;
using testing::TemporaryFolder;

ElevationCandidate rootOwned(std::string path) { return ElevationCandidate{std::move(path), true, false, false}; }

TEST(ElevationGuardTest, RulesApplyInOrderWithTheirOwnSentences) {
  struct Case {
    ElevationCandidate candidate;
    std::optional<std::string> expected;
    std::string root = "/";  // the layout's root folder
  };
  const std::string top = "Only a top-level application bundle can be removed this way.";
  const std::string outside = "Only applications under /Applications can be removed with administrator rights here.";
  const std::string notBundle = "Only application bundles can be removed with administrator rights here.";
  std::vector<Case> cases = {
      {{"/Applications/Tool.app", false, true, true}, "The item no longer exists."},
      {{"/Applications/Tool.app", true, true, true},
       "The item is a symbolic link, so it is not removed with elevated rights."},
      {{"/System/Tool.app", true, false, true}, "You already own this item; it does not need administrator rights."},
      {rootOwned(std::string("/Applications/A\0B.app", 21)), "The item's path is not well-formed."},
      {rootOwned("/Applications/A\nB.app"), "The item's path is not well-formed."},
      {rootOwned("/System/Applications/Notes.app"), "System items are never removed."},
      {rootOwned("/Users/x/Applications/Tool.app"), outside},
      {rootOwned("/Applications"), outside},
      {rootOwned("/applications/Tool.app"), outside},
      {rootOwned("/Applications/Notes.txt"), notBundle},
      {rootOwned("/Applications/Tool.APP"), notBundle},
      {rootOwned("/Applications/Vendor/Tool.app"), top},
      {rootOwned("/Applications//Tool.app"), top},
      {rootOwned("/Applications/utilities/Tool.app"), top},
      {rootOwned("/Applications/Utilities/Tool.app"), std::nullopt},
      {rootOwned("/Applications/Tool.app"), std::nullopt},
      {rootOwned("/Applications/It's \"quoted\" \\ -x.app"), std::nullopt},
      // The folders come from the layout's root.
      {rootOwned("/tmp/mac/root/Applications/Tool.app"), std::nullopt, "/tmp/mac/root"},
      {rootOwned("/tmp/mac/root/System/Applications/Tool.app"), "System items are never removed.", "/tmp/mac/root"},
      {rootOwned("/Applications/Tool.app"), outside, "/tmp/mac/root"},
      {rootOwned("/tmp/mac/root/Applications/Vendor/Tool.app"), top, "/tmp/mac/root"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.root + " " + c.candidate.resolvedPath);
    EXPECT_EQ(ElevationGuard::ineligibilityReason(c.candidate, Layout::at(c.root, "/Users/me")), c.expected);
  }
}

class ElevationCandidateTest : public ::testing::Test {
 protected:
  TemporaryFolder tmp;
  SampleMac mac{tmp.path()};

  // Giving an item to another user needs root (on a Mac, `make test` runs as the developer).
  void SetUp() override {
    if (platform::effectiveUserID() != 0) GTEST_SKIP() << "needs root to give items to another user";
  }

  // Gives the item to the unprivileged "nobody" account, so that it is not ours.
  static void giveAway(const std::string& path) {
    const char* chown = fs::exists("/usr/sbin/chown") ? "/usr/sbin/chown" : "/bin/chown";
    auto outcome = CommandRunner().runWithStatus(chown, {"-R", "-h", "65534:65534", path});
    ASSERT_EQ(outcome.status, 0) << outcome.output;
  }
};

TEST_F(ElevationCandidateTest, ReadsOwnershipLinksAndTheResolvedPath) {
  std::string app = mac.addApp({"Tool", "com.example.tool", "1.0", std::nullopt, {}});
  EXPECT_EQ(ElevationGuard::candidate(Url::fileURL(app)), (ElevationCandidate{app, true, false, true}));

  giveAway(app);
  auto theirs = ElevationGuard::candidate(Url::fileURL(app + "/"));
  EXPECT_EQ(theirs, (ElevationCandidate{app, true, false, false}));
  Layout layout = Layout::at(mac.root(), mac.home());
  EXPECT_EQ(ElevationGuard::ineligibilityReason(theirs, layout), std::nullopt);

  // Reached through a linked folder and "..": the real place, standardised.
  fs::create_symlink(mac.root(), tmp.path() + "/linked-root");
  auto viaLink =
      ElevationGuard::candidate(Url::fileURL(tmp.path() + "/linked-root/Applications/../Applications/Tool.app"));
  EXPECT_EQ(viaLink, (ElevationCandidate{app, true, false, false}));

  // Links are never eligible, whether they lead to the app or nowhere.
  std::string link = mac.system("/Applications/Alias.app");
  fs::create_symlink(app, link);
  EXPECT_EQ(ElevationGuard::candidate(Url::fileURL(link)), (ElevationCandidate{app, true, true, false}));

  std::string dangling = mac.system("/Applications/Gone.app");
  fs::create_symlink(mac.system("/Applications/Nowhere.app"), dangling);
  EXPECT_EQ(ElevationGuard::candidate(Url::fileURL(dangling)), (ElevationCandidate{dangling, false, true, false}));
}

}  // namespace
}  // namespace corvane
