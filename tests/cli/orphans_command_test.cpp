#include <gtest/gtest.h>

#include <filesystem>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <map>

#include "cli/cli_capture.h"
#include "corvane/orphans/leftover_check.h"
#include "sample_mac/background_items_builder.h"
#include "sample_mac/demo_mac.h"
#include "sample_mac/launchctl_stand_in.h"
#include "sample_mac/orphaned_mac.h"
#include "sample_mac/stale_records.h"

namespace corvane {
namespace {

using testing::runCli;
using testing::SampleMac;
using testing::TemporaryFolder;

class OrphansCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::buildDemoMac(mac);
    testing::addRemovedAppLeftovers(mac);
    testing::addStaleSystemRecords(mac);
    ASSERT_TRUE(testing::recordGlimmerUninstall(mac));
  }
  testing::CliOutput run(std::vector<std::string> args) const {
    args.insert(args.end(), {"--root", mac.root(), "--home", mac.home(), "--scope", testing::kDemoUserScope});
    return runCli(args);
  }
  std::vector<std::string> groupKeys() const {
    auto scanned = run({"orphans", "--json"});
    EXPECT_EQ(scanned.status, 0) << scanned.err;
    const nlohmann::json parsed = nlohmann::json::parse(scanned.out);
    std::vector<std::string> keys;
    for (const auto& g : parsed["groups"]) keys.push_back(g["suspectedBundleIdentifier"]);
    return keys;
  }
  TemporaryFolder folder;
  SampleMac mac{folder.path()};
};

const std::vector<std::string> kAllGroups = {
    "background-item:com.driftwood.sync.agent", "background-item:com.driftwood.sync.launcher",
    "background-item:com.driftwood.sync.updater", "background-item:com.oldvendor.tool.agent",
    "background-item:com.quillpad.editor.agent",
    "com.glimmerapps.Glimmer", "com.glimmerapps.Glimmer.updater", "com.northwind.planner",
    "com.stormglass.monitor", "com.tidepool.mixer", "installer-receipt:com.driftwood.sync",
    "io.github.copperline.notes", "system-extension:com.driftwood.sync.filter"};

TEST_F(OrphansCommandTest, ListsEveryGroupWithItsGuidance) {
  EXPECT_EQ(groupKeys(), kAllGroups);
  const auto json = nlohmann::json::parse(run({"orphans", "--json"}).out);
  EXPECT_EQ(json["backgroundItemStoreStatus"]["kind"], "parsed");
  const auto& glimmer = json["groups"][5];
  EXPECT_EQ(glimmer["headline"], "4 likely safe to remove · 2 to review");
  EXPECT_EQ(glimmer["findings"].size(), 6u);
  EXPECT_EQ(glimmer["points"].size(), 4u);

  const auto text = run({"orphans"});
  EXPECT_NE(text.out.find("com.tidepool.mixer\n  4 to review\n  5F7ADDED  Review · Cache · ~/Library/Caches/com.tidepool.mixer\n"
                          "            The artifact name contains reverse-DNS identifier com.tidepool.mixer.\n"),
            std::string::npos)
      << text.out;
}

TEST_F(OrphansCommandTest, LeftoverCheckReportsOnceUnderItsLock) {
  const std::string first = "Leftovers from removed apps\nFound 22 possible orphans from 13 apps that aren't "
                            "installed.  Run corvane orphans to review them.  Nothing has been removed.\n";
  const struct {
    std::vector<std::string> args;
    int status;
    std::string out;
  } steps[] = {
      {{"leftover-check"}, 0, first},
      {{"leftover-check"}, 0, ""},  // nothing new
      {{"leftover-check", "--if-due", "--json"}, 0,
       "{\n  \"due\": false,\n  \"newFindingCount\": 0,\n  \"newAppCount\": 0,\n  \"isFirstReport\": false,\n"
       "  \"notification\": null\n}\n"},
      {{"leftover-check", "--reset"}, 0,
       "The leftover check starts afresh: everything found next time is reported as new.\n"},
      {{"leftover-check", "--if-due"}, 0, first},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.args.back());
    const auto r = run(step.args);
    EXPECT_EQ(r.status, step.status) << r.err;
    EXPECT_EQ(r.out, step.out);
  }
  const LeftoverCheckStore store(Layout::at(mac.root(), mac.home()));
  EXPECT_EQ(store.load().reportedKeys->size(), 22u);
  auto held = store.acquireLock();
  ASSERT_TRUE(held.has_value());
  const auto blocked = run({"leftover-check"});
  EXPECT_EQ(blocked.status, 1);
  EXPECT_EQ(blocked.err, "corvane leftover-check: another leftover check is running (it holds " + store.lockURL() +
                             "); nothing was done.\n");
}

TEST_F(OrphansCommandTest, AScanThatCannotSeeTheApplicationsFolderClaimsNothingAndRemembersNothing) {
  const std::string applications = mac.system("/Applications");
  std::filesystem::rename(applications, applications + ".aside");
  const std::string why = ": the scan is incomplete: " + applications +
                          " could not be read, so no leftover can be told apart from an installed app's data; ";
  const struct {
    std::vector<std::string> args;
    std::string consequence;
  } cases[] = {
      {{"orphans"}, "nothing is listed"},
      {{"leftover-check"}, "nothing is reported or remembered"},
      {{"neutralize", "com.driftwood.sync.agent", "--launchctl", "/bin/true"}, "nothing was changed"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0]);
    const auto r = run(c.args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "corvane " + c.args[0] + why + c.consequence + ".\n");
  }
  EXPECT_FALSE(std::filesystem::exists(mac.user("Library/Application Support/Corvane/leftover-check.json")));
  EXPECT_FALSE(std::filesystem::exists(mac.user("Library/Application Support/Corvane/suppressed-background-items.json")));
}

TEST_F(OrphansCommandTest, NeutralizedItemIsNoLongerListed) {
  const auto launchctl = testing::LaunchctlStandIn::write(folder.path(), {"com.driftwood.sync.agent"});
  const auto refused = run({"neutralize", "com.driftwood.sync.launcher", "--launchctl", launchctl.script});
  EXPECT_EQ(refused.status, 1);  // a hidden login item, not a launch agent that can be turned off
  EXPECT_EQ(refused.err, "corvane neutralize: com.driftwood.sync.launcher is not a leftover login item of a removed "
                         "app (see corvane orphans). Nothing was changed.\n");

  // launchctl failing: nothing was turned off, so nothing is remembered and the item is still listed.
  const auto failed = run({"neutralize", "com.driftwood.sync.agent", "--launchctl", "/bin/false"});
  EXPECT_EQ(failed.status, 1);
  EXPECT_FALSE(std::filesystem::exists(mac.user("Library/Application Support/Corvane/suppressed-background-items.json")));
  EXPECT_EQ(groupKeys(), kAllGroups);

  const auto done = run({"neutralize", "com.driftwood.sync.agent", "--launchctl", launchctl.script});
  EXPECT_EQ(done.status, 0) << done.out << done.err;
  EXPECT_EQ(SampleMac::readFile(mac.user("Library/Application Support/Corvane/suppressed-background-items.json")),
            "[\"com.driftwood.sync.agent\"]\n");
  std::vector<std::string> rest(kAllGroups.begin() + 1, kAllGroups.end());
  EXPECT_EQ(groupKeys(), rest);
}

// Every item below the folder with its contents ("/" for a folder), links as "-> target".
std::map<std::string, std::string> tree(const std::string& folder) {
  std::map<std::string, std::string> items;
  for (auto it = std::filesystem::recursive_directory_iterator(folder); it != std::filesystem::recursive_directory_iterator(); ++it) {
    const std::string relative = it->path().lexically_relative(folder).string();
    if (it->is_symlink()) {
      items[relative] = "-> " + std::filesystem::read_symlink(it->path()).string();
    } else {
      items[relative] = it->is_directory() ? "/" : SampleMac::readFile(it->path().string());
    }
  }
  return items;
}

TEST_F(OrphansCommandTest, RemoveMovesTheNamedLeftoversAndRestorePutsBackTheIdenticalTree) {
  const std::string library = mac.user("Library");
  std::filesystem::create_directories(mac.user(".Trash"));
  auto withoutCorvane = [&] {
    auto items = tree(library);
    std::erase_if(items, [](const auto& item) { return item.first.starts_with("Application Support/Corvane"); });
    return items;
  };
  const auto before = withoutCorvane();

  const auto dry = run({"orphans", "remove", "com.glimmerapps.Glimmer", "--dry-run"});
  EXPECT_EQ(dry.status, 0) << dry.err;
  EXPECT_EQ(dry.out,
            "To move to the Trash (4 items, 29 KB):\n"
            "  C86BF0A2  Probably Leftover · Cache · 8 KB  ~/Library/Caches/com.glimmerapps.Glimmer\n"
            "  37273231  Probably Leftover · Web Data · 8 KB  ~/Library/HTTPStorages/com.glimmerapps.Glimmer\n"
            "  54E63F20  Probably Leftover · Preference · 4 KB  ~/Library/Preferences/com.glimmerapps.Glimmer.plist\n"
            "  AFFDCFD2  Probably Leftover · Saved State · 8 KB  "
            "~/Library/Saved Application State/com.glimmerapps.Glimmer.savedState\n"
            "Dry run: nothing was moved.\n");
  // An item named by the short id the listings show, in any case.
  EXPECT_NE(run({"orphans"}).out.find("  C86BF0A2  Probably Leftover · Cache · ~/Library/Caches/com.glimmerapps.Glimmer\n"),
            std::string::npos);
  EXPECT_EQ(run({"orphans", "remove", "c86bf0a2", "--dry-run"}).out,
            "To move to the Trash (1 item, 8 KB):\n"
            "  C86BF0A2  Probably Leftover · Cache · 8 KB  ~/Library/Caches/com.glimmerapps.Glimmer\n"
            "Dry run: nothing was moved.\n");
  const auto cancelled = runCli({"orphans", "remove", "com.glimmerapps.Glimmer", "--root", mac.root(), "--home",
                                 mac.home(), "--scope", testing::kDemoUserScope}, "n\n");
  EXPECT_EQ(cancelled.status, 1);
  EXPECT_EQ(withoutCorvane(), before);
  const auto inUse = run({"orphans", "remove", "com.nothing.here"});
  EXPECT_EQ(inUse.status, 1);
  EXPECT_EQ(inUse.err, "corvane orphans remove: com.nothing.here names no group or item of the leftovers found now "
                       "(see corvane orphans). Nothing was moved.\n");

  const auto removed = run({"orphans", "remove", "com.glimmerapps.Glimmer", "--select", "all", "--yes", "--json"});
  ASSERT_EQ(removed.status, 0) << removed.err;
  const auto record = nlohmann::json::parse(removed.out);
  EXPECT_EQ(record["operations"].size(), 6u);
  EXPECT_NE(withoutCorvane(), before);
  const std::string id = record["id"];
  const auto shown = runCli({"history", "show", id, "--root", mac.root(), "--home", mac.home()});
  EXPECT_EQ(shown.status, 0);
  EXPECT_TRUE(shown.out.starts_with("Leftover removal " + id + "\n")) << shown.out;
  EXPECT_NE(shown.out.find("App: Glimmer\nBundle identifier: com.glimmerapps.Glimmer\nLocation: none; the app was already gone\n"),
            std::string::npos);
  EXPECT_NE(shown.out.find("Moved to the Trash: 6 items\nFreed: 37 KB\n"), std::string::npos);

  const auto listed = runCli({"history", "--root", mac.root(), "--home", mac.home()});
  EXPECT_NE(listed.out.find(" · Leftovers of Glimmer · 6 items moved to the Trash · " + id + "\n"), std::string::npos) << listed.out;
  const auto restored = runCli({"restore", id, "--root", mac.root(), "--home", mac.home()});
  EXPECT_EQ(restored.status, 0) << restored.out << restored.err;
  EXPECT_EQ(withoutCorvane(), before);
}

}  // namespace
}  // namespace corvane
