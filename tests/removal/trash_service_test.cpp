#include "corvane/trash_service.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <map>
#include <memory>
#include <set>
#include <vector>

namespace corvane {
namespace {

const Url kTrash = Url::fileURL("/Users/me/.Trash");

// The system's move, answering from a table: a landing place (or none), or a refusal.
class ScriptedMover : public TrashMoving {
 public:
  std::map<std::string, Result<std::optional<Url>>> answers;
  std::vector<Url> calls;

  Result<std::optional<Url>> moveToTrash(const Url& url) override {
    calls.push_back(url);
    auto found = answers.find(url.path());
    if (found == answers.end()) return Error::fromErrno(EPERM, "move to Trash", url.path());
    return found->second;
  }
};

// An in-memory file system: the set of paths that exist.
struct FakeDisk {
  std::set<std::string> paths;
  std::vector<std::pair<std::string, std::string>> relocations;
  bool relocationFails = false;
  bool relocationLies = false;  // reports success without moving anything
};

class TrashServiceTest : public ::testing::Test {
 protected:
  std::shared_ptr<ScriptedMover> mover = std::make_shared<ScriptedMover>();
  std::shared_ptr<FakeDisk> disk = std::make_shared<FakeDisk>();
  std::vector<Url> contextRequests;
  RemovalFailureContext contextAnswer{true, true, false, true, false};

  TrashService service() {
    auto diskRef = disk;
    return TrashService(
        mover,
        [this](const Url& url) {
          contextRequests.push_back(url);
          return contextAnswer;
        },
        [diskRef](const Url& source, const Url& destination) -> Status {
          diskRef->relocations.emplace_back(source.path(), destination.path());
          if (diskRef->relocationFails) return Error::fromErrno(EXDEV, "rename", source.path());
          if (diskRef->paths.count(source.path()) == 0) return Error::fromErrno(ENOENT, "rename", source.path());
          if (!diskRef->relocationLies) {
            diskRef->paths.erase(source.path());
            diskRef->paths.insert(destination.path());
          }
          return Ok{};
        },
        kTrash, [diskRef](const Url& url) { return diskRef->paths.count(url.path()) != 0; });
  }
};

TEST_F(TrashServiceTest, EmptyListGivesNoRecords) {
  EXPECT_TRUE(service().moveToTrash({}).empty());
  EXPECT_TRUE(mover->calls.empty());
}

TEST_F(TrashServiceTest, SystemMovesAreSuccessesWithOrWithoutALandingPlace) {
  Url a = Url::fileURL("/Users/me/Library/Caches/a");
  Url b = Url::fileURL("/Users/me/Library/Caches/b");
  mover->answers.emplace(a.path(), std::optional<Url>(kTrash.appending("a")));
  mover->answers.emplace(b.path(), std::optional<Url>());

  auto ops = service().moveToTrash({a, b});
  ASSERT_EQ(ops.size(), 2u);
  EXPECT_EQ(ops[0].originalURL, a);
  EXPECT_EQ(ops[0].trashedURL, kTrash.appending("a"));
  EXPECT_TRUE(ops[0].succeeded);
  EXPECT_FALSE(ops[0].errorDescription.has_value());
  EXPECT_FALSE(ops[0].failureReason.has_value());
  EXPECT_EQ(ops[1].originalURL, b);
  EXPECT_TRUE(ops[1].succeeded);
  EXPECT_FALSE(ops[1].trashedURL.has_value());
  EXPECT_NE(ops[0].id, ops[1].id);
  EXPECT_TRUE(disk->relocations.empty());
  EXPECT_TRUE(contextRequests.empty());
}

TEST_F(TrashServiceTest, RefusedItemsFallBackToUniqueNamesInTheTrashFolder) {
  disk->paths = {"/Applications/Foo.app", "/Volumes/Old/Foo.app", "/Users/me/.Trash/Foo.app", "/x/README"};
  Url first = Url::fileURL("/Applications/Foo.app");
  Url second = Url::fileURL("/Volumes/Old/Foo.app");
  Url readme = Url::fileURL("/x/README");

  auto ops = service().moveToTrash({first, second, readme});
  ASSERT_EQ(ops.size(), 3u);
  EXPECT_EQ(mover->calls, (std::vector<Url>{first, second, readme}));
  EXPECT_TRUE(ops[0].succeeded);
  EXPECT_EQ(ops[0].trashedURL, Url::fileURL("/Users/me/.Trash/Foo 2.app"));
  EXPECT_TRUE(ops[1].succeeded);
  EXPECT_EQ(ops[1].trashedURL, Url::fileURL("/Users/me/.Trash/Foo 3.app"));
  EXPECT_TRUE(ops[2].succeeded);
  EXPECT_EQ(ops[2].trashedURL, Url::fileURL("/Users/me/.Trash/README"));
  for (const auto& op : ops) {
    EXPECT_FALSE(op.errorDescription.has_value());
    EXPECT_FALSE(op.failureReason.has_value());
  }
  EXPECT_EQ(disk->paths, (std::set<std::string>{"/Users/me/.Trash/Foo.app", "/Users/me/.Trash/Foo 2.app",
                                                 "/Users/me/.Trash/Foo 3.app", "/Users/me/.Trash/README"}));
  EXPECT_TRUE(contextRequests.empty());
}

TEST_F(TrashServiceTest, FailuresShowTheSystemErrorAndTheClassifiedReason) {
  Url item = Url::fileURL("/Users/me/Library/Mail/V10");
  disk->paths = {item.path()};
  contextAnswer = RemovalFailureContext(true, true, true, true, true);

  // The fallback fails outright: its own error is never shown.
  disk->relocationFails = true;
  auto ops = service().moveToTrash({item});
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_FALSE(ops[0].succeeded);
  EXPECT_FALSE(ops[0].trashedURL.has_value());
  EXPECT_EQ(ops[0].errorDescription, "move to Trash /Users/me/Library/Mail/V10: Operation not permitted");
  EXPECT_EQ(ops[0].failureReason, RemovalFailureReason::fullDiskAccess);
  EXPECT_EQ(contextRequests, std::vector<Url>{item});

  // The fallback says it moved the item but nothing is at the destination.
  disk->relocationFails = false;
  disk->relocationLies = true;
  contextAnswer = RemovalFailureContext(true, false, false, true, false);
  ops = service().moveToTrash({item});
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_FALSE(ops[0].succeeded);
  EXPECT_EQ(ops[0].errorDescription, "move to Trash /Users/me/Library/Mail/V10: Operation not permitted");
  EXPECT_EQ(ops[0].failureReason, RemovalFailureReason::needsAdministrator);
}

TEST_F(TrashServiceTest, EveryItemGetsOneRecordInInputOrderWhateverHappens) {
  Url ok = Url::fileURL("/a/ok");
  Url gone = Url::fileURL("/a/gone");
  Url fallback = Url::fileURL("/a/fallback.txt");
  mover->answers.emplace(ok.path(), std::optional<Url>(kTrash.appending("ok")));
  disk->paths = {fallback.path(), "/Users/me/.Trash/fallback.txt", "/Users/me/.Trash/fallback 2.txt"};
  contextAnswer = RemovalFailureContext(false, true, false, true, false);

  auto ops = service().moveToTrash({gone, ok, fallback});
  ASSERT_EQ(ops.size(), 3u);
  EXPECT_EQ(ops[0].originalURL, gone);
  EXPECT_EQ(ops[0].failureReason, RemovalFailureReason::itemMissing);
  EXPECT_EQ(ops[1].originalURL, ok);
  EXPECT_TRUE(ops[1].succeeded);
  EXPECT_EQ(ops[2].originalURL, fallback);
  EXPECT_EQ(ops[2].trashedURL, Url::fileURL("/Users/me/.Trash/fallback 3.txt"));
}

TEST(TrashNamingTest, CandidatesKeepTheExtensionAfterTheNumber) {
  struct Case {
    const char* name;
    std::uint64_t n;
    const char* expected;
  };
  for (const Case& c : std::vector<Case>{{"Foo.app", 1, "Foo.app"},
                                         {"Foo.app", 2, "Foo 2.app"},
                                         {"Foo.app", 13, "Foo 13.app"},
                                         {"README", 2, "README 2"},
                                         {"archive.tar.gz", 2, "archive.tar 2.gz"},
                                         {".hidden", 2, ".hidden 2"},
                                         {"trailing.", 3, "trailing. 3"},
                                         {"com.example.app.plist", 4, "com.example.app 4.plist"}}) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(TrashService::candidateName(c.name, c.n), c.expected);
  }
}

TEST(TrashNamingTest, SkipsNamesGivenOutAndNamesPresentAgainAndAgain) {
  std::set<std::string> present = {"/T/Foo.app", "/T/Foo 2.app", "/T/Foo 4.app"};
  auto exists = [&present](const Url& url) { return present.count(url.path()) != 0; };
  std::set<std::string> used = {"Foo 3.app"};
  Url folder = Url::fileURL("/T");
  EXPECT_EQ(TrashService::uniqueDestination(folder, "Foo.app", used, exists), Url::fileURL("/T/Foo 5.app"));
  EXPECT_EQ(TrashService::uniqueDestination(folder, "Foo.app", used, exists), Url::fileURL("/T/Foo 6.app"));
  EXPECT_EQ(TrashService::uniqueDestination(folder, "Bar", used, exists), Url::fileURL("/T/Bar"));
  EXPECT_EQ(TrashService::uniqueDestination(folder, "Bar", used, exists), Url::fileURL("/T/Bar 2"));
  EXPECT_EQ(used, (std::set<std::string>{"Foo 3.app", "Foo 5.app", "Foo 6.app", "Bar", "Bar 2"}));
}

}  // namespace
}  // namespace corvane
