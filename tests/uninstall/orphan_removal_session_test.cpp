#include "corvane/uninstall/orphan_removal_session.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "platform/disk_identity.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

const Date kNoon = Date(std::chrono::seconds(1796400000));

// Refuses one item, as a folder the user may not write to would; moves the rest into the layout's Trash.
TrashMoving refusingMover(const Layout& layout, std::string refused) {
  return {[inner = FileManagerTrashMover(layout), refused](const Url& url) -> Result<std::optional<Url>> {
    if (url.path() == refused) return Error::fromErrno(EBUSY, "move to Trash", url.path());
    return inner.moveToTrash(url);
  }};
}

class OrphanRemovalSessionTest : public ::testing::Test {
 protected:
  FileFinding finding(const std::string& relative, FindingKind kind, FindingConfidence tier, bool protectedItem = false) {
    const std::string path = testing::SampleMac::writeFile(mac.user("Library/" + relative));
    return FileFinding::make(Url::fileURL(path), kind, tier, 40, {}, 1, std::nullopt, protectedItem, std::nullopt,
                             valueIfAny(platform::diskIdentityOf(Url::fileURL(path))));
  }
  UninstallCollaborators collaborators() {
    UninstallCollaborators c = UninstallCollaborators::system(layout);
    c.clock = [] { return kNoon; };
    return c;
  }
  std::vector<std::string> names(const std::vector<FileFinding>& findings) const {
    std::vector<std::string> result;
    for (const auto& f : findings) result.push_back(f.name());
    return result;
  }

  testing::TemporaryFolder tmp;
  testing::SampleMac mac{tmp.path()};
  Layout layout = Layout::at(mac.root(), mac.home());
  FileFinding cache = finding("Caches/com.acme.tool", FindingKind::cache, FindingConfidence::probablyLeftover);
  FileFinding prefs = finding("Preferences/com.acme.tool.plist", FindingKind::preference, FindingConfidence::review);
  FileFinding log = finding("Logs/com.acme.tool", FindingKind::log, FindingConfidence::inUse);
  FileFinding agent = finding("LaunchAgents/com.acme.tool.agent", FindingKind::backgroundItem,
                              FindingConfidence::review, true);
  FileFinding other = finding("Caches/com.other.app", FindingKind::cache, FindingConfidence::probablyLeftover);
  FileFinding unsure = finding("Caches/com.unsure.app", FindingKind::cache, FindingConfidence::review);
  std::vector<OrphanGroup> groups = {{"com.acme.tool", {cache, prefs, log, agent}},
                                     {"com.other.app", {other}},
                                     {"com.unsure.app", {unsure}}};
  HistoryStore history{HistoryFileManager::system(), layout};
};

TEST_F(OrphanRemovalSessionTest, PicksProbableItemsOfNamedGroupsReviewItemsWhenAskedAndNeverWhatIsInUse) {
  using K = OrphanRemovalPlan::Kind;
  using T = OrphanSelection::Tier;
  struct Case {
    const char* what;
    OrphanSelection selection;
    K kind;
    std::vector<std::string> selected;
    std::optional<std::string> refused;
    std::string recordName;
  };
  const Case cases[] = {
      {"a group: its probable items", {T::probable, {"com.acme.tool"}, {}}, K::ready, {"com.acme.tool"}, {}, "tool"},
      {"a group with all, named in another case", {T::all, {"COM.ACME.TOOL"}, {}}, K::ready,
       {"com.acme.tool", "com.acme.tool.plist"}, {}, "tool"},
      {"a review item by its id", {T::probable, {}, {prefs.id}}, K::ready, {"com.acme.tool.plist"}, {}, "tool"},
      {"two groups and a repeated item", {T::probable, {"com.acme.tool", "com.other.app"}, {cache.id}}, K::ready,
       {"com.acme.tool", "com.other.app"}, {}, "Leftovers of removed apps"},
      {"only review items", {T::probable, {"com.unsure.app"}, {}}, K::nothingSelected, {}, {}, ""},
      {"an item in use", {T::all, {}, {log.id}}, K::notSelectable, {}, log.id.toString(), ""},
      {"a registration", {T::all, {"com.other.app"}, {agent.id}}, K::notSelectable, {}, agent.id.toString(), ""},
      {"an unknown group", {T::all, {"com.acme.tool", "com.nope"}, {}}, K::unknownName, {}, "com.nope", ""},
      {"an unknown id", {T::all, {}, {Uuid::random()}}, K::unknownName, {}, std::nullopt, ""},
  };
  OrphanRemovalSession session(layout, collaborators(), history);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const OrphanRemovalPlan plan = session.prepare(groups, c.selection);
    EXPECT_EQ(plan.kind, c.kind);
    EXPECT_EQ(names(plan.selected), c.selected);
    if (c.refused) EXPECT_EQ(plan.refused, c.refused);
    EXPECT_EQ(plan.before.identity.name, c.recordName);
    EXPECT_EQ(names(plan.before.findings), c.selected);
  }
}

TEST_F(OrphanRemovalSessionTest, ARemovalThatFailsMidwayRecordsWhatMovedAndWhatDidNot) {
  UninstallCollaborators c = collaborators();
  c.trashMover = refusingMover(layout, prefs.url.path());
  c.relocate = [](const Url& from, const Url&) -> Status { return Error::fromErrno(EBUSY, "rename", from.path()); };
  OrphanRemovalSession session(layout, c, history);
  const OrphanRemovalPlan plan = session.prepare(groups, {OrphanSelection::Tier::all, {"com.acme.tool", "com.other.app"}, {}});
  ASSERT_EQ(plan.kind, OrphanRemovalPlan::Kind::ready);
  fs::remove(other.url.path());  // gone before the removal runs

  const OrphanRemovalResult result = session.perform(plan);
  EXPECT_EQ(result.kind, OrphanRemovalResult::Kind::recorded);
  std::vector<std::string> outcomes;
  for (const auto& op : result.record.operations)
    outcomes.push_back(op.originalURL.lastPathComponent() + (op.succeeded ? " -> " + op.trashedURL->path()
                                                                          : " failed: " + *op.errorDescription));
  EXPECT_EQ(outcomes, (std::vector<std::string>{
                          "com.acme.tool -> " + layout.userTrash() + "/com.acme.tool",
                          "com.acme.tool.plist failed: move to Trash " + prefs.url.path() + ": Device or resource busy",
                          "com.other.app failed: It was no longer there when removal ran."}));
  EXPECT_EQ(result.record.operations[2].failureReason, RemovalFailureReason::itemMissing);
  EXPECT_TRUE(fs::exists(prefs.url.path()));
  EXPECT_FALSE(result.allMoved());
  // One entry in the history, with the findings chosen and nothing paused.
  ASSERT_EQ(history.records().size(), 1u);
  EXPECT_EQ(history.records().front(), result.record);
  EXPECT_EQ(result.record.identity.name, "Leftovers of removed apps");
  EXPECT_EQ(result.record.createdAt, kNoon);
  EXPECT_EQ(names(result.record.preRemovalSnapshot.findings),
            (std::vector<std::string>{"com.acme.tool", "com.acme.tool.plist", "com.other.app"}));
  EXPECT_EQ(result.record.backgroundServiceOperations, std::vector<BackgroundServiceOperation>{});
  EXPECT_EQ(result.record.postRemovalSnapshot, std::nullopt);
}

}  // namespace
}  // namespace corvane
