// Moving items to the Trash: the renaming move on a sample home, the service's fallback and naming, and
// how a failure is classified.

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <map>
#include <memory>
#include <set>

#include "corvane/removal/removal_failure_classifier.h"
#include "corvane/analysis/removal_permission.h"
#include "corvane/removal/removal_plan.h"
#include "corvane/removal/trash_moving.h"
#include "corvane/removal/trash_service.h"
#include "platform/file_status.h"
#include "platform/trash.h"
#include "sample_mac/sample_mac.h"
#include "platform/system_layout.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::SampleMac;
using testing::TemporaryFolder;

// Moves on a sample home folder: a sample layout always gets the renaming move into its own Trash, on
// macOS too, so nothing here reaches the real Trash.
class FileManagerTrashMoverTest : public ::testing::Test {
 protected:
  TemporaryFolder tmp;
  SampleMac mac{tmp.path()};
  Layout layout = Layout::at(mac.root(), mac.home());
  std::string trash = mac.user(".Trash");
  FileManagerTrashMover mover{layout};

  // Where a move that must succeed put the item.
  std::string landed(const std::string& path) {
    auto moved = mover.moveToTrash(Url::fileURL(path));
    if (!moved.has_value()) ADD_FAILURE() << moved.error().describe();
    return moved.has_value() && *moved ? (*moved)->path() : "";
  }
  // The error number of a move that must fail.
  int errorOf(const std::string& path, FileManagerTrashMover& with) {
    auto moved = with.moveToTrash(Url::fileURL(path));
    EXPECT_FALSE(moved.has_value());
    return moved.has_value() ? 0 : moved.error().code;
  }
  int errorOf(const std::string& path) { return errorOf(path, mover); }
  // The system service's single operation for `path`, which must have failed.
  TrashOperation failedServiceMove(const std::string& path) {
    auto ops = TrashService::system(layout).moveToTrash({Url::fileURL(path)});
    EXPECT_EQ(ops.size(), 1u);
    EXPECT_FALSE(ops.at(0).succeeded);
    return ops.at(0);
  }
};

TEST_F(FileManagerTrashMoverTest, OnlyTheLiveSystemUsesTheSystemsOwnTrash) {
  const std::string realHome = platform::systemLayout().home;
  EXPECT_EQ(FileManagerTrashMover::usesSystemTrash(platform::systemLayout()), platform::systemChoosesTrashFolder());
  EXPECT_EQ(FileManagerTrashMover::usesSystemTrash(Layout::at("/", realHome + "/")),
            platform::systemChoosesTrashFolder());
  for (const Layout& sample : {layout, Layout::at("/", mac.home()), Layout::at(mac.root(), realHome)}) {
    SCOPED_TRACE(sample.root + " " + sample.home);
    EXPECT_FALSE(FileManagerTrashMover::usesSystemTrash(sample));
  }
}

TEST_F(FileManagerTrashMoverTest, MovesIntoTheHomeTrashCreatingItPrivately) {
  fs::remove(trash);
  SampleMac::writeFile(mac.user("Library/Caches/com.example.app/data"), "cached");
  EXPECT_EQ(landed(mac.user("Library/Caches/com.example.app")), trash + "/com.example.app");
  EXPECT_FALSE(fs::exists(mac.user("Library/Caches/com.example.app")));
  EXPECT_EQ(SampleMac::readFile(trash + "/com.example.app/data"), "cached");
  auto status = platform::linkStatus(trash);
  ASSERT_TRUE(status.has_value());
  EXPECT_EQ(status->mode & 0777u, 0700u);
}

TEST_F(FileManagerTrashMoverTest, CollidingNamesGetTheNextFreeNameAndNothingIsReplaced) {
  SampleMac::writeFile(trash + "/Foo.app", "first");
  SampleMac::writeFile(trash + "/Foo 2.app", "second");
  SampleMac::writeFile(trash + "/README", "old readme");
  const char* expected[] = {"Foo 3.app", "Foo 4.app", "Foo 5.app"};
  for (int i = 0; i < 3; ++i) {
    std::string item = SampleMac::writeFile(mac.user("copy" + std::to_string(i) + "/Foo.app"), std::to_string(i));
    EXPECT_EQ(landed(item), trash + "/" + expected[i]);
    EXPECT_EQ(SampleMac::readFile(trash + "/" + expected[i]), std::to_string(i));
  }
  EXPECT_EQ(landed(SampleMac::writeFile(mac.user("README"), "new readme")), trash + "/README 2");

  EXPECT_EQ(SampleMac::readFile(trash + "/Foo.app"), "first");
  EXPECT_EQ(SampleMac::readFile(trash + "/Foo 2.app"), "second");
  EXPECT_EQ(SampleMac::readFile(trash + "/README"), "old readme");
  EXPECT_EQ(SampleMac::entryNames(trash), (std::set<std::string>{"Foo.app", "Foo 2.app", "Foo 3.app", "Foo 4.app",
                                                                 "Foo 5.app", "README", "README 2"}));
}

TEST_F(FileManagerTrashMoverTest, AnItemSwappedForALinkMovesTheLinkNeverItsTarget) {
  std::string target = SampleMac::writeFile(mac.user("Documents/precious.txt"), "keep me");
  SampleMac::writeFile(mac.user("Documents/folder/inside"), "keep me too");
  std::string item = mac.user("Library/Caches/swapped");
  std::string folderItem = mac.user("Library/Caches/swapped-folder");
  // What was analysed as a plain file and folder became links just before the move.
  SampleMac::writeFile(item, "analysed");
  fs::remove(item);
  fs::create_symlink(target, item);
  fs::create_symlink(mac.user("Documents/folder"), folderItem);

  for (const auto& path : {item, folderItem}) {
    EXPECT_TRUE(fs::is_symlink(landed(path)));
    EXPECT_FALSE(fs::exists(fs::symlink_status(path)));
  }
  EXPECT_EQ(fs::read_symlink(trash + "/swapped"), target);
  EXPECT_EQ(SampleMac::readFile(target), "keep me");
  EXPECT_EQ(SampleMac::readFile(mac.user("Documents/folder/inside")), "keep me too");
  EXPECT_EQ(SampleMac::entryNames(mac.user("Documents/folder")), std::set<std::string>{"inside"});
}

TEST_F(FileManagerTrashMoverTest, AVanishedItemFailsWithItsErrnoAndIsClassifiedMissing) {
  std::string gone = mac.user("Library/Caches/gone");
  EXPECT_EQ(errorOf(gone), ENOENT);
  TrashOperation op = failedServiceMove(gone);
  EXPECT_EQ(op.failureReason, RemovalFailureReason::itemMissing);
  EXPECT_EQ(op.errorDescription, "move to Trash " + gone + ": No such file or directory");
  EXPECT_TRUE(SampleMac::entryNames(trash).empty());
  // A mover without its callback refuses every item.
  EXPECT_EQ(TrashMoving{}.moveToTrash(Url::fileURL(gone)).error(), Error::invalid("no way to move items to the Trash", gone));
}

TEST_F(FileManagerTrashMoverTest, ATrashFolderThatIsALinkIsRefusedNotFollowed) {
  std::string elsewhere = SampleMac::makeFolder(tmp.path() + "/elsewhere");
  fs::remove(trash);
  fs::create_symlink(elsewhere, trash);
  std::string item = SampleMac::writeFile(mac.user("Library/Caches/c"), "c");

  auto moved = mover.moveToTrash(Url::fileURL(item));
  ASSERT_FALSE(moved.has_value());
  EXPECT_EQ(moved.error().code, ELOOP);
  EXPECT_EQ(moved.error().describe(),
            "move to Trash " + trash + ": The Trash folder is a symbolic link, so nothing is moved into it.");
  // The service's own fallback refuses the link too, so the item stays where it was.
  EXPECT_EQ(failedServiceMove(item).failureReason, RemovalFailureReason::other);
  EXPECT_EQ(SampleMac::readFile(item), "c");
  EXPECT_TRUE(SampleMac::entryNames(elsewhere).empty());

  // A dangling link is not followed into creating its target either.
  fs::remove(trash);
  fs::create_symlink(tmp.path() + "/nowhere", trash);
  EXPECT_EQ(errorOf(item), ELOOP);
  EXPECT_FALSE(fs::exists(tmp.path() + "/nowhere"));
}

TEST_F(FileManagerTrashMoverTest, ATrashThatIsAFileOrAMissingHomeFailsWithItsErrno) {
  fs::remove(trash);
  SampleMac::writeFile(trash, "not a folder");
  std::string item = SampleMac::writeFile(mac.user("Library/Caches/c"), "c");
  EXPECT_EQ(errorOf(item), ENOTDIR);
  FileManagerTrashMover homeless{Layout::at(mac.root(), tmp.path() + "/no-such-home")};
  EXPECT_EQ(errorOf(item, homeless), ENOENT);
  EXPECT_EQ(SampleMac::readFile(item), "c");
}

TEST_F(FileManagerTrashMoverTest, AnItemOnAnotherVolumeIsNeverCopied) {
  // /dev/shm is a separate memory file system on most Linux machines.
  auto otherStatus = platform::status("/dev/shm");
  auto ourStatus = platform::status(tmp.path());
  if (!otherStatus || !ourStatus || otherStatus->device == ourStatus->device)
    GTEST_SKIP() << "no second volume to move from";
  std::unique_ptr<TemporaryFolder> other;
  try {  // an absolute prefix puts the temporary folder there
    other = std::make_unique<TemporaryFolder>("/dev/shm/corvane-volume");
  } catch (const std::exception&) {
    GTEST_SKIP() << "cannot write to /dev/shm";
  }
  std::string item = SampleMac::writeFile(other->path() + "/far.txt", "far");
  EXPECT_EQ(errorOf(item), EXDEV);
  EXPECT_EQ(SampleMac::readFile(item), "far");
  EXPECT_TRUE(SampleMac::entryNames(trash).empty());
}

const Url kTrash = Url::fileURL("/Users/me/.Trash");

// `expected` with the random id of `actual`.
TrashOperation withIdOf(const TrashOperation& actual, TrashOperation expected) {
  expected.id = actual.id;
  return expected;
}

// The system's move, answering from a table: a landing place (or none), or a refusal.
struct ScriptedMover {
  std::map<std::string, Result<std::optional<Url>>> answers;
  std::vector<Url> calls;

  TrashMoving moving() {
    return {[this](const Url& url) -> Result<std::optional<Url>> {
      calls.push_back(url);
      auto found = answers.find(url.path());
      if (found == answers.end()) return Error::fromErrno(EPERM, "move to Trash", url.path());
      return found->second;
    }};
  }
};

// The service over a scripted move and an in-memory file system: the set of paths that exist.
class TrashServiceTest : public ::testing::Test {
 protected:
  std::shared_ptr<ScriptedMover> mover = std::make_shared<ScriptedMover>();
  std::set<std::string> paths;
  bool relocationFails = false;
  bool relocationLies = false;  // reports success without moving anything
  std::vector<Url> contextRequests;
  RemovalFailureContext contextAnswer{true, true, false, true, false};

  TrashService service() {
    auto context = [this](const Url& url) {
      contextRequests.push_back(url);
      return contextAnswer;
    };
    auto relocate = [this](const Url& source, const Url& destination) -> Status {
      if (relocationFails) return Error::fromErrno(EXDEV, "rename", source.path());
      if (paths.count(source.path()) == 0) return Error::fromErrno(ENOENT, "rename", source.path());
      if (!relocationLies) {
        paths.erase(source.path());
        paths.insert(destination.path());
      }
      return Ok{};
    };
    return TrashService(mover->moving(), context, relocate, kTrash, [this](const Url& url) { return paths.count(url.path()); });
  }
};

TEST_F(TrashServiceTest, RefusedItemsFallBackToUniqueNamesInTheTrashFolder) {
  paths = {"/Applications/Foo.app", "/Volumes/Old/Foo.app", "/Users/me/.Trash/Foo.app", "/x/README"};
  Url first = Url::fileURL("/Applications/Foo.app");
  Url second = Url::fileURL("/Volumes/Old/Foo.app");
  Url readme = Url::fileURL("/x/README");

  auto ops = service().moveToTrash({first, second, readme});
  ASSERT_EQ(ops.size(), 3u);
  EXPECT_EQ(mover->calls, (std::vector<Url>{first, second, readme}));
  EXPECT_EQ(ops[0], withIdOf(ops[0], TrashOperation::success(first, Url::fileURL("/Users/me/.Trash/Foo 2.app"))));
  EXPECT_EQ(ops[1], withIdOf(ops[1], TrashOperation::success(second, Url::fileURL("/Users/me/.Trash/Foo 3.app"))));
  EXPECT_EQ(ops[2], withIdOf(ops[2], TrashOperation::success(readme, Url::fileURL("/Users/me/.Trash/README"))));
  EXPECT_EQ(paths, (std::set<std::string>{"/Users/me/.Trash/Foo.app", "/Users/me/.Trash/Foo 2.app",
                                          "/Users/me/.Trash/Foo 3.app", "/Users/me/.Trash/README"}));
  EXPECT_TRUE(contextRequests.empty());
}

TEST_F(TrashServiceTest, FailuresShowTheSystemErrorAndTheClassifiedReason) {
  Url item = Url::fileURL("/Users/me/Library/Mail/V10");
  paths = {item.path()};
  const std::string shown = "move to Trash /Users/me/Library/Mail/V10: Operation not permitted";

  // The fallback fails outright: its own error is never shown.
  relocationFails = true;
  contextAnswer = RemovalFailureContext(true, true, true, true, true);
  auto ops = service().moveToTrash({item});
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_EQ(ops[0], withIdOf(ops[0], TrashOperation::failure(item, shown, RemovalFailureReason::fullDiskAccess)));
  EXPECT_EQ(contextRequests, std::vector<Url>{item});

  // The fallback says it moved the item but nothing is at the destination. A failure does not stop the
  // items after it.
  relocationFails = false;
  relocationLies = true;
  contextAnswer = RemovalFailureContext(true, false, false, true, false);
  Url next = Url::fileURL("/Users/me/Library/Caches/next");
  mover->answers.emplace(next.path(), std::optional<Url>(kTrash.appending("next")));
  ops = service().moveToTrash({item, next});
  ASSERT_EQ(ops.size(), 2u);
  EXPECT_EQ(ops[0], withIdOf(ops[0], TrashOperation::failure(item, shown, RemovalFailureReason::needsAdministrator)));
  EXPECT_EQ(ops[1], withIdOf(ops[1], TrashOperation::success(next, kTrash.appending("next"))));
}

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

TEST(RemovalFailureClassifierTest, EveryProtectedLocationCoversItselfAndBelowOnly) {
  Url home = Url::fileURL("/Users/me");
  auto isProtected = [&home](const std::string& path) {
    return RemovalFailureClassifier::isUnderProtectedUserLocation(Url::fileURL(path), home);
  };
  for (auto entry : RemovalFailureClassifier::kProtectedUserLocations) {
    std::string root = "/Users/me" + std::string(entry);
    SCOPED_TRACE(root);
    EXPECT_TRUE(isProtected(root));
    EXPECT_TRUE(isProtected(root + "/x/y"));
    EXPECT_TRUE(isProtected(root + "/"));
    // A sibling whose name merely starts with the protected folder's name is not protected.
    EXPECT_FALSE(isProtected(root + "box"));
    EXPECT_FALSE(isProtected(root + " 2/x"));
    // Another user's home that shares the prefix is not this user's.
    EXPECT_FALSE(isProtected("/Users/me2" + std::string(entry)));
  }
}

TEST(RemovalFailureClassifierTest, ContextAsksAboutTheItemItsParentAndTheLayoutHome) {
  FakeChecks fake;
  fake.items = {{"/Users/me/Library/Mail/V10", true}, {"/Users/me/Library/Mailbox/V10", true}};
  fake.notWritable = {"/Users/me/Library/Mail/V10"};
  Layout layout = Layout::at("/", "/Users/me");
  auto context = [&](const char* path) {
    return RemovalFailureClassifier::context(Url::fileURL(path), layout, fake.checks());
  };

  auto mail = context("/Users/me/Library/Mail/V10/");
  EXPECT_EQ(mail, RemovalFailureContext(true, true, true, false, true));
  EXPECT_EQ(fake.writeQueries, (std::vector<std::string>{"/Users/me/Library/Mail", "/Users/me/Library/Mail/V10"}));
  EXPECT_EQ(RemovalFailureClassifier::reason(mail), RemovalFailureReason::fullDiskAccess);
  auto mailbox = context("/Users/me/Library/Mailbox/V10");
  EXPECT_EQ(mailbox, RemovalFailureContext(true, true, false, true, true));
  EXPECT_EQ(RemovalFailureClassifier::reason(mailbox), RemovalFailureReason::other);
  EXPECT_EQ(RemovalFailureClassifier::reason(context("/Users/me/Library/Caches/x")),
            RemovalFailureReason::itemMissing);
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

}  // namespace
}  // namespace corvane
