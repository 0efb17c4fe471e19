// Put Back and Delete Permanently on rows of the Trash view: each row's route, and one real delete.

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>
#include <unistd.h>

#include "corvane/discovery/command_runner.h"
#include "corvane/trash/app_trash_mutator.h"
#include "sample_mac/ds_store_writer.h"
#include "sample_mac/sample_mac.h"
#include "support/tree_listing.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::SampleMac;
using testing::TemporaryFolder;

LeftoverRow row(const std::string& path, bool rootOwned = false, std::optional<std::int64_t> size = 7) {
  LeftoverRow r;
  r.id = r.path = path;
  r.name = path.substr(path.rfind('/') + 1);
  r.sizeBytes = size;
  r.isRootOwned = rootOwned;
  return r;
}

class AppTrashMutatorTest : public ::testing::Test {
 protected:
  std::vector<TrashLocator::Root> roots{{"/H/.Trash", "/", true}, {"/V/.Trashes/501", "/V", false}};
  std::vector<std::string> removed;
  std::vector<PutBackInfo> restored;
  std::vector<std::string> tablesLoaded;
  PutBackTable homeTable{{"a.txt", {"a.txt", "/M/Users/me/Docs", "a.txt"}}};

  AppTrashMutator mutator() {
    AppTrashMutator::Collaborators c;
    c.roots = [this] { return roots; };
    c.remove = [this](const std::string& path, std::optional<std::int64_t> size, const std::vector<std::string>& in,
                      const FSMutator::DeleteOptions& options) {
      EXPECT_EQ(in, (std::vector<std::string>{"/H/.Trash", "/V/.Trashes/501"}));
      removed.push_back(path + (options.force ? " force" : "") + (options.dryRun ? " dry" : ""));
      return ItemOutcome::deleted(path, size.value_or(0));
    };
    c.restore = [this](const std::string& path, const PutBackInfo& info, const std::vector<std::string>&, bool copy) {
      EXPECT_FALSE(copy);
      EXPECT_EQ(path, "/H/.Trash/" + info.trashName);
      restored.push_back(info);
      return RestoreOutcome::restored(info.originalPath(), RestoreStrategy::rename);
    };
    c.loadPutBack = [this](const std::string& trashRoot, const std::string& volumeRoot) {
      tablesLoaded.push_back(trashRoot + " " + volumeRoot);
      return trashRoot == "/H/.Trash" ? homeTable : PutBackTable{};
    };
    return AppTrashMutator(Layout::at("/M", "/M/Users/me"), std::move(c));
  }
};

TEST_F(AppTrashMutatorTest, DeleteRoutesEachRowByOwnerAndTrash) {
  const std::vector<LeftoverRow> rows{
      row("/H/.Trash/a"), row("/V/.Trashes/501/sys", true), row("/elsewhere/sys", true), row("/H/.Trash/gone", true),
      row("/H/.Trash/denied", true), row("/H/.Trash/quiet", true, std::nullopt), row("/H/.Trash/skipped", true),
      row("/H/.Trash/unsized", true, std::nullopt)};
  std::vector<std::vector<std::string>> stepCalls;
  const AppTrashMutator::RootDeleteStep step = [&](const std::vector<std::string>& paths) {
    stepCalls.push_back(paths);
    return std::map<std::string, AppTrashMutator::RootDeleteOutcome>{{"/H/.Trash/gone", {true, std::nullopt}},
                                                                     {"/H/.Trash/unsized", {true, "ignored"}},
                                                                     {"/H/.Trash/denied", {false, "Denied."}},
                                                                     {"/H/.Trash/quiet", {false, std::nullopt}}};
  };
  const auto other = ItemOutcome::failed("", 0, "System-owned items on another drive can't be removed here.");
  auto at = [](ItemOutcome o, const std::string& path) { return o.path = path, o; };
  const std::vector<ItemOutcome> expected{
      ItemOutcome::deleted("/H/.Trash/a", 7), at(other, "/V/.Trashes/501/sys"), at(other, "/elsewhere/sys"),
      ItemOutcome::deleted("/H/.Trash/gone", 7), ItemOutcome::failed("/H/.Trash/denied", 0, "Denied."),
      ItemOutcome::failed("/H/.Trash/quiet", 0, "The item could not be removed."),
      ItemOutcome::blocked("/H/.Trash/skipped", BlockerKind::systemImmutable()), ItemOutcome::deleted("/H/.Trash/unsized", 0)};
  EXPECT_EQ(mutator().deleteRows(rows, true, step),
            (DeleteReport{DeleteMode::deleteSelection, false, expected, true}));
  EXPECT_EQ(stepCalls, (std::vector<std::vector<std::string>>{{"/H/.Trash/gone", "/H/.Trash/denied", "/H/.Trash/quiet",
                                                               "/H/.Trash/skipped", "/H/.Trash/unsized"}}));
  EXPECT_EQ(removed, (std::vector<std::string>{"/H/.Trash/a force"}));

  // Without a privileged step every root-owned item of the home Trash stays, blocked.
  EXPECT_EQ(mutator().deleteRows({row("/H/.Trash/gone", true)}, false).outcomes,
            std::vector<ItemOutcome>{ItemOutcome::blocked("/H/.Trash/gone", BlockerKind::systemImmutable())});

  EXPECT_TRUE(mutator().needsPrivilegedStep({row("/H/.Trash/a"), row("/H/.Trash/sys", true)}));
  EXPECT_FALSE(mutator().needsPrivilegedStep({row("/H/.Trash/a"), row("/V/.Trashes/501/sys", true)}));
  EXPECT_TRUE(mutator().isInHomeTrash(row("/H/.Trash/a")));
  EXPECT_FALSE(mutator().isInHomeTrash(row("/V/.Trashes/501/a")) || mutator().isInHomeTrash(row("/H/.Trash")));
}

TEST_F(AppTrashMutatorTest, PreviewAsksForThePhraseAboveTheThresholds) {
  using Preview = AppTrashMutator::DeletePreview;
  const std::vector<std::tuple<int, std::int64_t, Preview>> cases{{101, 1, {101, 101, true, "Delete Permanently"}},
                                                                  {1, 1000000001, {1, 1000000001, true, "Delete Permanently"}},
                                                                  {100, 10000000, {100, 1000000000, false, ""}}};
  for (const auto& [count, each, preview] : cases) {
    std::vector<LeftoverRow> rows{row("/elsewhere/x", false, 5000000000)};  // never admitted, never counted
    for (int i = 0; i < count; ++i) rows.push_back(row("/H/.Trash/" + std::to_string(i), false, each));
    EXPECT_EQ(mutator().deleteConfirmation(rows), preview) << count;
  }
}

TEST_F(AppTrashMutatorTest, PutBackFindsEachRowsOriginOrSaysWhyNot) {
  const Date trashed = *date::parseISO8601("2026-12-01T10:00:00Z");
  const HistoryOrigins origins{{"b.txt", {"/Users/me/Notes/b.txt", trashed}}, {"v.txt", {"/Users/me/v.txt", trashed}}};
  std::vector<LeftoverRow> rows{row("/H/.Trash/a.txt"), row("/H/.Trash/b.txt"), row("/V/.Trashes/501/v.txt"),
                                row("/H/.Trash/none"), row("/elsewhere/a.txt"), row("/V/.Trashes/501/sys", true),
                                row("/H/.Trash/locked", true), row("/H/.Trash/a.txt", true)};
  for (auto& r : rows) r.dateTrashed = trashed;
  std::vector<std::vector<std::string>> reclaimCalls;
  const auto result = mutator().putBack(rows, origins, [&](const std::vector<std::string>& paths) {
    reclaimCalls.push_back(paths);
    return std::set<std::string>{"/H/.Trash/a.txt"};
  });
  using R = RestoreOutcome;
  const std::vector<std::pair<std::string, R>> expected{
      {"a.txt", R::restored("/M/Users/me/Docs/a.txt", RestoreStrategy::rename)},
      {"b.txt", R::restored("/Users/me/Notes/b.txt", RestoreStrategy::rename)},
      {"v.txt", R::rejected(RestoreRejection::destParentMissing)},
      {"none", R::rejected(RestoreRejection::destParentMissing)},
      {"a.txt", R::rejected(RestoreRejection::sourceNotInTrash)},
      {"sys", R::failed("it is system-owned and on another drive")},
      {"locked", R::failed("system-owned")},
      {"a.txt", R::restored("/M/Users/me/Docs/a.txt", RestoreStrategy::rename)}};
  EXPECT_EQ(result, expected);
  EXPECT_EQ(reclaimCalls, (std::vector<std::vector<std::string>>{{"/H/.Trash/locked", "/H/.Trash/a.txt"}}));
  EXPECT_EQ(tablesLoaded, (std::vector<std::string>{"/H/.Trash /", "/V/.Trashes/501 /V"}));
  ASSERT_EQ(restored.size(), 3u);
  EXPECT_EQ(restored[1], (PutBackInfo{"b.txt", "/Users/me/Notes", "b.txt"}));

  roots.clear();
  EXPECT_EQ(mutator().putBack({row("/H/.Trash/a.txt")}, origins),
            (std::vector<std::pair<std::string, R>>{{"a.txt", R::failed("Trash unavailable")}}));
}

class TrashDeleteOnDiskTest : public ::testing::Test {
 protected:
  TemporaryFolder tmp{"trash-actions"};
  SampleMac mac{tmp.path()};
  Layout layout = Layout::at(mac.root(), mac.home(), ::getuid());
  std::string trash = fs::canonical(SampleMac::makeFolder(mac.user(".Trash"))).string();
};

TEST_F(TrashDeleteOnDiskTest, DeletesOnlyTheSelectedItems) {
  const std::string outside = SampleMac::writeFile(mac.user("Documents/keep.txt"), "keep");
  SampleMac::writeFile(trash + "/a.txt", "aaaa");
  SampleMac::writeFile(trash + "/folder/inner/b.txt", "bb");
  fs::create_symlink(outside, trash + "/folder/inner/link");
  fs::create_directory_symlink(mac.user("Documents"), trash + "/folder/docs");
  SampleMac::writeFile(trash + "/other.txt", "other");
  fs::create_symlink(outside, trash + "/other-link");
  const auto before = test_support::treeListing(tmp.path());

  const DeleteReport report =
      AppTrashMutator(layout).deleteRows({row(trash + "/a.txt", false, 4), row(trash + "/folder", false, 2)}, false);
  EXPECT_EQ(report.outcomes, (std::vector<ItemOutcome>{ItemOutcome::deleted(trash + "/a.txt", 4),
                                                       ItemOutcome::deleted(trash + "/folder", 2)}));
  EXPECT_TRUE(report.fullySucceeded());
  const std::string trashRelative = fs::path(trash).lexically_relative(fs::canonical(tmp.path())).string();
  auto expected = test_support::withoutSubtree(before, trashRelative + "/a.txt");
  expected = test_support::withoutSubtree(expected, trashRelative + "/folder");
  EXPECT_EQ(test_support::treeListing(tmp.path()), expected);
}

// A Put Back record whose folder holds ".", ".." or "//" is refused as it is written, never tidied and
// followed somewhere else.
TEST_F(TrashDeleteOnDiskTest, PutBackRecordsWithDotsOrDoubleSlashesAreRefused) {
  const std::string shared = "Users/Shared";
  for (const char* folder : {"/Documents/pb", "/pb", "/x"}) SampleMac::makeFolder(mac.root() + "/" + shared + folder);
  std::vector<LeftoverRow> rows;
  for (const char* name : {"dot.txt", "dotdot.txt", "slash.txt", "fine.txt"}) rows.push_back(row(SampleMac::writeFile(trash + "/" + name)));
  testing::writeTrashDSStore(trash, {{"dot.txt", shared + "/Documents/./pb/", std::nullopt},
                                     {"dotdot.txt", shared + "/x/../pb/", std::nullopt},
                                     {"slash.txt", shared + "//pb/", std::nullopt},
                                     {"fine.txt", shared + "/Documents/pb/", std::nullopt}});
  const auto untrusted = RestoreOutcome::rejected(RestoreRejection::destinationUntrusted);
  EXPECT_EQ(AppTrashMutator(layout).putBack(rows, {}),
            (std::vector<std::pair<std::string, RestoreOutcome>>{
                {"dot.txt", untrusted}, {"dotdot.txt", untrusted}, {"slash.txt", untrusted},
                {"fine.txt", RestoreOutcome::restored(mac.root() + "/" + shared + "/Documents/pb/fine.txt", RestoreStrategy::rename)}}));
  EXPECT_EQ(SampleMac::entryNames(trash), (std::set<std::string>{".DS_Store", "dot.txt", "dotdot.txt", "slash.txt"}));
}

TEST_F(TrashDeleteOnDiskTest, PrivilegedDeletionRemovesOnlyItemsOfTheHomeTrash) {
  const std::string outside = SampleMac::writeFile(mac.user("Documents/it's.txt"), "keep");
  SampleMac::writeFile(trash + "/it's.txt");
  SampleMac::writeFile(trash + "/-dir/x");
  SampleMac::writeFile(trash + "/stays");
  std::vector<std::string> commands;
  auto shell = [&](PrivilegedRunResult answer) {
    return PrivilegedShellRunner{[&commands, answer](const std::string& line) {
      commands.push_back(line);
      if (answer.succeeded()) {
        EXPECT_EQ(CommandRunner().runWithStatus("/bin/sh", {"-c", line}).status, 0);
      }
      return answer;
    }};
  };
  using Outcome = AppTrashMutator::RootDeleteOutcome;
  const Outcome notInTrash{false, "The item is not inside the Trash."};
  EXPECT_EQ(privilegedRootDeletion(shell(PrivilegedRunResult::userCancelled()), layout)({trash + "/it's.txt"}),
            (std::map<std::string, Outcome>{{trash + "/it's.txt", {false, "The administrator prompt was cancelled."}}}));

  const auto results = privilegedRootDeletion(shell(PrivilegedRunResult::success()), layout)(
      {trash + "/it's.txt", trash + "/-dir", outside, trash + "/../Documents/it's.txt"});
  EXPECT_EQ(results, (std::map<std::string, Outcome>{{trash + "/it's.txt", {true, std::nullopt}},
                                                     {trash + "/-dir", {true, std::nullopt}},
                                                     {outside, notInTrash},
                                                     {trash + "/../Documents/it's.txt", notInTrash}}));
  EXPECT_TRUE(fs::exists(outside) && fs::exists(trash + "/stays"));
  EXPECT_EQ(commands.back(), "cd -P -- '" + trash + "' && [ \"$(pwd -P)\" = '" + trash +
                                 "' ] && /bin/rm -rf -- './it'\\''s.txt' './-dir'");
}

}  // namespace
}  // namespace corvane
