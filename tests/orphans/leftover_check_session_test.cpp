#include "corvane/orphans/leftover_check_session.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "report/leftover_check_report.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

const Date kMonday = Date(std::chrono::seconds(1796400000));

OrphanGroup group(const std::string& id, const std::vector<std::string>& paths) {
  OrphanGroup g{id, {}};
  for (const auto& path : paths)
    g.findings.push_back(FileFinding::make(Url::fileURL(path), FindingKind::cache, FindingConfidence::probablyLeftover,
                                           40, {}, 1, std::nullopt, false, std::nullopt, std::nullopt));
  return g;
}

class LeftoverCheckSessionTest : public ::testing::Test {
 protected:
  LeftoverCheckSession session(Date now) {
    return LeftoverCheckSession(store, {[this] {
                                          ++scans;
                                          return scanned;
                                        },
                                        [now] { return now; }});
  }

  testing::TemporaryFolder tmp;
  LeftoverCheckStore store{tmp.path() + "/Corvane/leftover-check.json"};
  OrphanScanResult scanned{{group("com.a", {"/Users/u/Library/Caches/com.a"})}, {}, {}};
  int scans = 0;
};

// A run after another: due or not, scanned or not, and what is reported and remembered.
TEST_F(LeftoverCheckSessionTest, ReportsWhatIsNewOnceAndOnlyWhenAsked) {
  const struct {
    const char* label;
    Date now;
    bool onlyIfDue;
    std::vector<OrphanGroup> groups;
    LeftoverCheckResult::Kind kind;
    bool due;
    int scans;  // in total so far
    std::optional<std::string> body;
  } runs[] = {
      {"first check", kMonday, true, scanned.groups, LeftoverCheckResult::Kind::checked, true, 1,
       "Found 1 possible orphan from 1 app that isn't installed.  Click to review it.  Nothing has been removed."},
      {"same day, only if due", kMonday + std::chrono::hours(1), true, scanned.groups,
       LeftoverCheckResult::Kind::notDue, false, 1, std::nullopt},
      {"same day, by hand: nothing new", kMonday + std::chrono::hours(2), false, scanned.groups,
       LeftoverCheckResult::Kind::checked, false, 2, std::nullopt},
      {"a week on, something new", kMonday + std::chrono::hours(24 * 7 + 2), true,
       {group("com.a", {"/Users/u/Library/Caches/com.a"}), group("com.b", {"/Users/u/Library/Logs/com.b"})},
       LeftoverCheckResult::Kind::checked, true, 3,
       "Found 1 new possible orphan from 1 app that isn't installed.  Click to review it.  Nothing has been removed."},
  };
  for (const auto& run : runs) {
    SCOPED_TRACE(run.label);
    scanned.groups = run.groups;
    const LeftoverCheckSession check = session(run.now);
    const LeftoverCheckPlan plan = check.plan(run.onlyIfDue);
    EXPECT_EQ(plan.due, run.due);
    const LeftoverCheckResult result = check.perform(plan);
    EXPECT_EQ(result.kind, run.kind);
    EXPECT_EQ(result.due, run.due);
    EXPECT_EQ(scans, run.scans);
    EXPECT_EQ(result.notification ? std::optional(result.notification->body) : std::nullopt, run.body);
    EXPECT_EQ(report::leftoverCheckJSON(result)["notification"].is_null(), !run.body);
  }
  EXPECT_EQ(store.load().reportedKeys,
            (std::vector<std::string>{"/Users/u/Library/Caches/com.a", "/Users/u/Library/Logs/com.b"}));
}

TEST_F(LeftoverCheckSessionTest, NothingIsRememberedWhenTheScanIsIncompleteOrTheLockIsHeld) {
  scanned = {{}, {}, {"/Applications"}};
  LeftoverCheckResult incomplete = session(kMonday).perform(session(kMonday).plan(false));
  EXPECT_EQ(incomplete.kind, LeftoverCheckResult::Kind::incompleteScan);
  EXPECT_EQ(incomplete.unreadableApplicationFolders, std::vector<std::string>{"/Applications"});
  EXPECT_FALSE(std::filesystem::exists(store.fileURL()));

  auto held = store.acquireLock();
  ASSERT_TRUE(held);
  EXPECT_EQ(session(kMonday).perform(session(kMonday).plan(false)).kind, LeftoverCheckResult::Kind::busy);
  EXPECT_FALSE(session(kMonday).reset());
  EXPECT_EQ(scans, 1);
  held->release();
  EXPECT_TRUE(session(kMonday).reset());
  EXPECT_EQ(store.load(), LeftoverCheckState{});
}

}  // namespace
}  // namespace corvane
