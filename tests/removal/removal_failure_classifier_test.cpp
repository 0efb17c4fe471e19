#include "corvane/removal_failure_classifier.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <vector>

#include "corvane/removal_permission.h"
#include "corvane/removal_plan.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::SampleMac;
using testing::TemporaryFolder;

// Checks answered from tables: which paths exist (and are folders), which are not writable.
struct FakeChecks {
  std::map<std::string, bool> items;  // path -> is a folder
  std::set<std::string> notWritable;
  std::vector<std::string> writeQueries;

  FileAccessChecks checks() {
    FileAccessChecks c;
    c.presence = [this](const std::string& path) {
      auto found = items.find(path);
      return found == items.end() ? FileAccessChecks::Presence{} : FileAccessChecks::Presence{true, found->second};
    };
    c.isWritable = [this](const std::string& path) {
      writeQueries.push_back(path);
      return notWritable.count(path) == 0;
    };
    return c;
  }
};

TEST(RemovalFailureClassifierTest, ReasonTakesTheFirstMatchingRule) {
  struct Case {
    RemovalFailureContext context;
    RemovalFailureReason expected;
  };
  // Constructor order: exists, parentWritable, underProtected, itemWritable, isDirectory.
  std::vector<Case> cases = {
      {{false, false, true, false, true}, RemovalFailureReason::itemMissing},
      {{true, false, true, false, true}, RemovalFailureReason::fullDiskAccess},
      {{true, false, false, true, false}, RemovalFailureReason::needsAdministrator},
      {{true, true, false, false, true}, RemovalFailureReason::needsAdministrator},
      {{true, true, false, false, false}, RemovalFailureReason::other},
      {{true, true, false, true, true}, RemovalFailureReason::other},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(RemovalFailureClassifier::reason(cases[i].context), cases[i].expected);
  }
}

TEST(RemovalFailureClassifierTest, ContextConstructorTakesItsOwnOrder) {
  RemovalFailureContext c(true, false, true, false, true);
  EXPECT_TRUE(c.itemExists);
  EXPECT_FALSE(c.parentWritable);
  EXPECT_TRUE(c.underProtectedUserLocation);
  EXPECT_FALSE(c.itemWritable);
  EXPECT_TRUE(c.isDirectory);
}

TEST(RemovalFailureClassifierTest, EveryProtectedLocationCoversItselfAndBelowOnly) {
  Url home = Url::fileURL("/Users/me");
  ASSERT_EQ(RemovalFailureClassifier::kProtectedUserLocations.size(), 14u);
  for (auto entry : RemovalFailureClassifier::kProtectedUserLocations) {
    std::string root = "/Users/me" + std::string(entry);
    SCOPED_TRACE(root);
    EXPECT_TRUE(RemovalFailureClassifier::isUnderProtectedUserLocation(Url::fileURL(root), home));
    EXPECT_TRUE(RemovalFailureClassifier::isUnderProtectedUserLocation(Url::fileURL(root + "/x/y"), home));
    EXPECT_TRUE(RemovalFailureClassifier::isUnderProtectedUserLocation(Url::fileURL(root + "/"), home));
    // A sibling whose name merely starts with the protected folder's name is not protected.
    EXPECT_FALSE(RemovalFailureClassifier::isUnderProtectedUserLocation(Url::fileURL(root + "box"), home));
    EXPECT_FALSE(RemovalFailureClassifier::isUnderProtectedUserLocation(Url::fileURL(root + " 2/x"), home));
    // Another user's home that shares the prefix is not this user's.
    std::string other = "/Users/me2" + std::string(entry);
    EXPECT_FALSE(RemovalFailureClassifier::isUnderProtectedUserLocation(Url::fileURL(other), home));
  }
}

TEST(RemovalFailureClassifierTest, ProtectedTestStandardisesButComparesExactly) {
  auto isProtected = [](const char* path, const char* home) {
    return RemovalFailureClassifier::isUnderProtectedUserLocation(Url::fileURL(path), Url::fileURL(home));
  };
  EXPECT_TRUE(isProtected("/Users/me/Library/Caches/../Mail/V10", "/Users/me"));
  EXPECT_TRUE(isProtected("/Users/me//Library/./Mail", "/Users/me/"));
  EXPECT_TRUE(isProtected("/Users/me/Library/Mail", "/Users/x/../me"));
  EXPECT_FALSE(isProtected("/Users/me/Library/Mail/../Mailbox", "/Users/me"));
  EXPECT_FALSE(isProtected("/Users/me/Library/mail/V10", "/Users/me"));
  EXPECT_FALSE(isProtected("/Users/me/Library", "/Users/me"));
  EXPECT_FALSE(isProtected("/Library/Mail", "/Users/me"));
  EXPECT_FALSE(isProtected("/Users/me/Library/Application Support/com.apple.TCC.backup", "/Users/me"));
  EXPECT_TRUE(isProtected("/Users/me/Library/Metadata/CoreSpotlight/index", "/Users/me"));
}

TEST(RemovalFailureClassifierTest, ContextAsksAboutTheItemItsParentAndTheLayoutHome) {
  FakeChecks fake;
  fake.items = {{"/Users/me/Library/Mail/V10", true}, {"/Users/me/Library/Mailbox/V10", true}};
  fake.notWritable = {"/Users/me/Library/Mail/V10"};
  Layout layout = Layout::at("/", "/Users/me");

  auto mail = RemovalFailureClassifier::context(Url::fileURL("/Users/me/Library/Mail/V10/"), layout, fake.checks());
  EXPECT_EQ(mail, RemovalFailureContext(true, true, true, false, true));
  EXPECT_EQ(fake.writeQueries, (std::vector<std::string>{"/Users/me/Library/Mail", "/Users/me/Library/Mail/V10"}));
  EXPECT_EQ(RemovalFailureClassifier::reason(mail), RemovalFailureReason::fullDiskAccess);

  auto mailbox =
      RemovalFailureClassifier::context(Url::fileURL("/Users/me/Library/Mailbox/V10"), layout, fake.checks());
  EXPECT_EQ(mailbox, RemovalFailureContext(true, true, false, true, true));
  EXPECT_EQ(RemovalFailureClassifier::reason(mailbox), RemovalFailureReason::other);

  auto missing = RemovalFailureClassifier::context(Url::fileURL("/Users/me/Library/Caches/x"), layout, fake.checks());
  EXPECT_EQ(RemovalFailureClassifier::reason(missing), RemovalFailureReason::itemMissing);
}

TEST(RemovalFailureClassifierTest, AFolderThatIsNotWritableNeedsAnAdministratorAPlainFileDoesNot) {
  FakeChecks fake;
  fake.items = {{"/Applications/Tool.app", true}, {"/Applications/notes.txt", false}};
  fake.notWritable = {"/Applications/Tool.app", "/Applications/notes.txt"};
  Layout layout = Layout::at("/", "/Users/me");
  auto folder = RemovalFailureClassifier::context(Url::fileURL("/Applications/Tool.app"), layout, fake.checks());
  EXPECT_EQ(RemovalFailureClassifier::reason(folder), RemovalFailureReason::needsAdministrator);
  auto file = RemovalFailureClassifier::context(Url::fileURL("/Applications/notes.txt"), layout, fake.checks());
  EXPECT_EQ(RemovalFailureClassifier::reason(file), RemovalFailureReason::other);

  fake.notWritable.insert("/Applications");
  file = RemovalFailureClassifier::context(Url::fileURL("/Applications/notes.txt"), layout, fake.checks());
  EXPECT_EQ(RemovalFailureClassifier::reason(file), RemovalFailureReason::needsAdministrator);
}

TEST(RemovalPermissionTest, FollowsTheParentThenTheFolderItself) {
  FakeChecks fake;
  fake.items = {{"/Applications/Tool.app", true},  {"/Applications/notes.txt", false},
                {"/Locked/file", false},           {"/Users/me/Open.app", true}};
  fake.notWritable = {"/Applications/Tool.app", "/Applications/notes.txt", "/Locked"};
  auto needs = [&fake](const char* path) {
    return RemovalPermission::requiresAdministrator(Url::fileURL(path), fake.checks());
  };
  EXPECT_FALSE(needs("/Applications/Missing.app"));
  EXPECT_TRUE(needs("/Applications/Tool.app"));
  EXPECT_FALSE(needs("/Applications/notes.txt"));
  EXPECT_TRUE(needs("/Locked/file"));
  EXPECT_FALSE(needs("/Users/me/Open.app"));
}

TEST(FileAccessChecksTest, SystemPresenceFollowsLinksAndTellsFolders) {
  TemporaryFolder tmp;
  std::string file = SampleMac::writeFile(tmp.path() + "/file");
  std::string folder = SampleMac::makeFolder(tmp.path() + "/folder");
  fs::create_symlink(folder, tmp.path() + "/link-to-folder");
  fs::create_symlink(tmp.path() + "/nowhere", tmp.path() + "/dangling");
  auto checks = FileAccessChecks::system();
  using P = FileAccessChecks::Presence;
  EXPECT_EQ(checks.presence(file), (P{true, false}));
  EXPECT_EQ(checks.presence(folder), (P{true, true}));
  EXPECT_EQ(checks.presence(tmp.path() + "/link-to-folder"), (P{true, true}));
  EXPECT_EQ(checks.presence(tmp.path() + "/dangling"), (P{false, false}));
  EXPECT_TRUE(checks.isWritable(folder));
  EXPECT_FALSE(checks.isWritable(tmp.path() + "/nowhere"));
}

FileFinding finding(FindingKind kind, const std::string& path) {
  FileFinding f;
  f.kind = kind;
  f.url = Url::fileURL(path);
  return f;
}

TEST(RemovalPlanTest, ServicesFirstApplicationLastByPathWithinAGroup) {
  auto app = finding(FindingKind::application, "/Applications/Tool.app");
  auto cacheB = finding(FindingKind::cache, "/b");
  auto agentZ = finding(FindingKind::launchAgent, "/z");
  auto helperA = finding(FindingKind::helper, "/a");
  auto cacheA = finding(FindingKind::cache, "/a");
  auto ordered = RemovalPlan::ordered({app, cacheB, agentZ, helperA, cacheA});
  EXPECT_EQ(ordered, (std::vector<FileFinding>{helperA, agentZ, cacheA, cacheB, app}));

  // Equal paths keep their input order; daemons share the first group.
  auto daemon = finding(FindingKind::launchDaemon, "/m");
  auto prefs1 = finding(FindingKind::preference, "/p");
  auto prefs2 = finding(FindingKind::log, "/p");
  EXPECT_EQ(RemovalPlan::ordered({prefs2, prefs1, daemon}), (std::vector<FileFinding>{daemon, prefs2, prefs1}));
  EXPECT_TRUE(RemovalPlan::ordered({}).empty());
}

}  // namespace
}  // namespace corvane
