#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "corvane/orphans/leftover_check.h"
#include "platform/process.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

using testing::SampleMac;
using testing::TemporaryFolder;
using std::chrono::seconds;

const PreciseDate kNow{seconds(1'800'000'000)};

FileFinding at(const std::string& path) {
  FileFinding f;
  f.url = Url::fileURL(path);
  return f;
}

OrphanGroup group(const std::string& id, std::vector<std::string> paths) {
  OrphanGroup g{id, {}};
  for (const auto& p : paths) g.findings.push_back(at(p));
  return g;
}

TEST(LeftoverCheckPolicyTest, DueAfterAWeekNeverCheckedOrClockWentBack) {
  const struct {
    std::optional<PreciseDate> last;
    bool due;
  } cases[] = {{std::nullopt, true},
               {kNow - seconds(604799), false},
               {kNow - seconds(604800), true},
               {kNow + seconds(1), true},
               {kNow, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.last ? std::to_string(c.last->time_since_epoch().count()) : "never");
    EXPECT_EQ(LeftoverCheckPolicy::isDue(c.last, kNow), c.due);
  }
}

TEST(LeftoverCheckPolicyTest, EvaluationCountsNewFindingsAndWordsTheNotification) {
  const std::vector<OrphanGroup> groups = {group("com.a.one", {"/h/Library/Caches/com.a.one", "/h/Library/Logs/com.a.one"}),
                                           group("com.b.two", {"/h/Library/Preferences/com.b.two.plist"})};
  using Keys = std::optional<std::vector<std::string>>;
  const struct {
    std::vector<OrphanGroup> groups;
    Keys reported;
    int findings, apps;
    std::optional<std::string> body;
  } cases[] = {
      {{groups[0]}, std::nullopt, 2, 1,
       "Found 2 possible orphans from 1 app that isn't installed.  Click to review them.  Nothing has been removed."},
      {groups, Keys{{"/h/Library/Caches/com.a.one"}}, 2, 2,
       "Found 2 new possible orphans from 2 apps that aren't installed.  Click to review them.  Nothing has been "
       "removed."},
      {groups, Keys{{"/h/Library/Caches/com.a.one", "/h/Library/Logs/com.a.one"}}, 1, 1,
       "Found 1 new possible orphan from 1 app that isn't installed.  Click to review it.  Nothing has been removed."},
      {{groups[1]}, std::nullopt, 1, 1,
       "Found 1 possible orphan from 1 app that isn't installed.  Click to review it.  Nothing has been removed."},
      {groups, Keys{{"/h/Library/Caches/com.a.one", "/h/Library/Logs/com.a.one", "/h/Library/Preferences/com.b.two.plist"}},
       0, 0, std::nullopt},
      {{}, std::nullopt, 0, 0, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.body.value_or("nothing new"));
    const LeftoverCheckOutcome outcome = LeftoverCheckPolicy::evaluate(c.groups, c.reported);
    EXPECT_EQ(outcome.newFindingCount, c.findings);
    EXPECT_EQ(outcome.newAppCount, c.apps);
    EXPECT_EQ(outcome.isFirstReport, !c.reported.has_value());
    const auto text = LeftoverCheckPolicy::notificationText(outcome);
    ASSERT_EQ(text.has_value(), c.body.has_value());
    if (text) {
      EXPECT_EQ(*text, (LeftoverCheckNotificationText{"Leftovers from removed apps", *c.body}));
    }
  }
}

TEST(LeftoverCheckPolicyTest, NextKeysKeepWhatDisappearedAndIgnoreDotComponents) {
  EXPECT_EQ(LeftoverCheckPolicy::key(at("/h/Library/./Caches/com.a")), LeftoverCheckPolicy::key(at("/h/Library/Caches/com.a")));
  const auto outcome = LeftoverCheckPolicy::evaluate({group("com.a", {"/h/Library/./Caches/com.a"})},
                                                     std::vector<std::string>{"/h/gone", "/h/Library/Caches/com.a"});
  EXPECT_EQ(outcome.newFindingCount, 0);
  EXPECT_EQ(outcome.nextReportedKeys, (std::vector<std::string>{"/h/Library/Caches/com.a", "/h/gone"}));
}

TEST(LeftoverCheckLaunchTest, ArgumentAfterTheProgramOrTheJobsServiceName) {
  const struct {
    std::vector<std::string> arguments;
    std::map<std::string, std::string> environment;
    bool requested;
  } cases[] = {{{"/App", "--scheduled-leftover-check"}, {}, true},
               {{"--scheduled-leftover-check"}, {}, false},  // the program path itself does not count
               {{"/App"}, {{"XPC_SERVICE_NAME", "com.corvane.check"}}, true},
               {{"/App"}, {{"XPC_SERVICE_NAME", "com.corvane.other"}}, false},
               {{}, {}, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments.empty() ? "" : c.arguments.back());
    EXPECT_EQ(LeftoverCheckLaunch::isRequested(c.arguments, c.environment, "com.corvane.check"), c.requested);
  }
}

TEST(LeftoverCheckStateTest, WrittenOnOneLineAndReadBack) {
  const struct {
    LeftoverCheckState state;
    std::string bytes;
  } cases[] = {
      {{}, R"({"schemaVersion":1})"},
      {{1, PreciseDate(seconds(978307200 + 789012345)), std::vector<std::string>{"/Users/a/Library/Caches/x \"y\""}},
       R"({"schemaVersion":1,"lastCheckedAt":789012345,"reportedKeys":["\/Users\/a\/Library\/Caches\/x \"y\""]})"},
      {{1, PreciseDate(std::chrono::duration<double>(978307200.5)), std::vector<std::string>{}},
       R"({"schemaVersion":1,"lastCheckedAt":0.5,"reportedKeys":[]})"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    EXPECT_EQ(c.state.encoded(), c.bytes);
    EXPECT_EQ(LeftoverCheckState::decode(c.bytes), c.state);
  }
}

TEST(LeftoverCheckStoreTest, UnreadableFilesLoadAsTheInitialState) {
  TemporaryFolder folder;
  const LeftoverCheckStore store(folder.path() + "/Corvane/leftover-check.json");
  EXPECT_EQ(store.load(), LeftoverCheckState{});  // missing
  const std::string cases[] = {std::string("\x8f\x00\xff{\x01", 5), R"({"lastCheckedAt":5,"reportedKeys":[]})",
                               R"({"schemaVersion":1,"reportedKeys":[1]})", R"({"schemaVersion":"1"})", "[]"};
  for (const auto& bytes : cases) {
    SCOPED_TRACE(bytes);
    SampleMac::writeFile(store.fileURL(), bytes);
    EXPECT_EQ(store.load(), LeftoverCheckState{});
  }
  // Saved state comes back; one from the future makes the check due.
  const LeftoverCheckState future{1, kNow + seconds(3600), std::vector<std::string>{"/a"}};
  ASSERT_TRUE(store.save(future).has_value());
  EXPECT_EQ(store.load(), future);
  EXPECT_TRUE(LeftoverCheckPolicy::isDue(store.load().lastCheckedAt, kNow));
}

TEST(LeftoverCheckStoreTest, LockIsExclusiveAcrossDescriptorsAndProcesses) {
  TemporaryFolder folder;
  const LeftoverCheckStore store(folder.path() + "/Corvane/leftover-check.json");
  EXPECT_EQ(store.lockURL(), folder.path() + "/Corvane/.leftover-check.lock");
  {
    auto first = store.acquireLock();
    ASSERT_TRUE(first.has_value());
    EXPECT_FALSE(store.acquireLock().has_value());
    EXPECT_FALSE(store.reset(0, 0));  // one try only, and the lock is taken
    first->release();
    EXPECT_EQ(first->fd(), -1);
    first->release();  // a second release does nothing
  }
  ASSERT_TRUE(store.save({1, kNow, std::vector<std::string>{"/a"}}).has_value());
  EXPECT_TRUE(store.reset(0, 0));
  EXPECT_EQ(store.load(), LeftoverCheckState{});

  // Another process holds the lock until told to let go.
  const std::string ready = folder.path() + "/ready", done = folder.path() + "/done";
  std::thread child([&] {
    platform::runProcess("/usr/bin/flock",
                         {"-x", store.lockURL(), "/bin/sh", "-c",
                          "touch '" + ready + "'; while [ ! -e '" + done + "' ]; do sleep 0.01; done"},
                         platform::ErrorStream::discarded);
  });
  for (int i = 0; i < 1000 && !std::filesystem::exists(ready); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_FALSE(store.acquireLock().has_value());
  EXPECT_FALSE(store.reset(2, 1000));
  SampleMac::writeFile(done);
  child.join();
  EXPECT_TRUE(store.acquireLock().has_value());  // the holder is gone
}

TEST(LeftoverCheckPreferenceTest, OffUntilSwitchedOn) {
  TemporaryFolder folder;
  const Layout layout = Layout::at("/", folder.path());
  EXPECT_FALSE(LeftoverCheckPreference::isEnabled(layout));
  ASSERT_TRUE(LeftoverCheckPreference::setEnabled(true, layout));
  EXPECT_TRUE(LeftoverCheckPreference::isEnabled(layout));
  EXPECT_EQ(SampleMac::readFile(folder.path() + "/Library/Application Support/Corvane/preferences.json"),
            R"({"CorvaneWeeklyLeftoverCheckEnabled":true})");
  ASSERT_TRUE(LeftoverCheckPreference::setEnabled(false, layout));
  EXPECT_FALSE(LeftoverCheckPreference::isEnabled(layout));
}

}  // namespace
}  // namespace corvane
