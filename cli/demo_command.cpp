// corvane demo: builds a sample Mac and shows what a user sees.

#include <algorithm>
#include <functional>
#include <streambuf>
#include <utility>
#include <map>
#include <nlohmann/json.hpp>
#include <filesystem>
#include <memory>
#include <ostream>
#include <sstream>

#include "cli/commands.h"
#include "cli/snapshot_text.h"
#include "corvane/analysis/app_analyzer.h"
#include "corvane/discovery/app_discovery_service.h"
#include "corvane/history/history_store.h"
#include "sample_mac/demo_mac.h"
#include "sample_mac/ds_store_writer.h"
#include "sample_mac/background_items_builder.h"
#include "sample_mac/launchctl_stand_in.h"
#include "sample_mac/orphaned_mac.h"
#include "sample_mac/stale_records.h"
#include "platform/user.h"

namespace corvane::cli {

namespace {

// Runs one command of the tool on the sample Mac, after the line a user would type for it.
class Session {
 public:
  Session(Context& context, const Layout& layout) : context_(context), layout_(layout) {}

  int step(const std::string& typed, std::vector<std::string> args, std::ostream* into = nullptr,
           std::ostream* errors = nullptr) {
    if (!into) context_.out << "\n$ corvane " << typed << "\n";
    args.insert(args.end(), {"--root", layout_.root, "--home", layout_.home});
    std::istringstream noInput;
    return run(args, into ? *into : context_.out, errors ? *errors : context_.err, noInput, std::nullopt,
               context_.terminal);
  }

 private:
  Context& context_;
  const Layout& layout_;
};

// Swallows what is written to it; at the end of the first line, runs `then` once. The watcher writes its
// first line once its folders are watched, so an app moved from `then` is seen leaving.
class AfterFirstLine : public std::streambuf {
 public:
  explicit AfterFirstLine(std::function<void()> then) : then_(std::move(then)) {}

 protected:
  int_type overflow(int_type c) override {
    if (c == '\n' && then_) std::exchange(then_, nullptr)();
    return traits_type::not_eof(c);
  }

 private:
  std::function<void()> then_;
};

// One line per group of leftovers: the app they seem to belong to, and how many items in which tiers.
void printOrphanGroups(std::ostream& out, const std::string& printed) {
  const nlohmann::json doc = nlohmann::json::parse(printed, nullptr, /*allow_exceptions=*/false);
  if (!doc.is_object() || !doc.contains("groups")) return;
  for (const auto& group : doc["groups"]) {
    std::map<std::string, int> tiers;
    for (const auto& f : group["findings"]) ++tiers[f["confidence"].get<std::string>()];
    std::string counts;
    for (const auto& [tier, n] : tiers) counts += (counts.empty() ? "" : ", ") + std::to_string(n) + " " + tier;
    const std::size_t n = group["findings"].size();
    out << "  " << group["suspectedBundleIdentifier"].get<std::string>() << ": " << n << (n == 1 ? " item" : " items")
        << " (" << counts << ")\n";
  }
}

int demo(const ParsedArguments& args, Context& context) {
  std::unique_ptr<testing::TemporaryFolder> temporary;
  std::string folder;
  if (auto at = args.value("--at")) {
    folder = *at;
    // The demo builds its Mac in a folder of its own; it never writes among files that are already there
    // (an earlier demo's included: its moves and history would no longer match what is shown).
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(folder, ec))) {
      if (!std::filesystem::is_directory(folder, ec)) {
        context.err << "corvane demo: --at " << folder << " is not a folder (usage: corvane " << context.usage << ")\n";
        return kExitUsage;
      }
      if (!std::filesystem::is_empty(folder, ec) || ec) {
        context.err << "corvane demo: " << folder
                    << " is not empty (an earlier demo?); give a new or empty folder. Nothing was written.\n";
        return kExitFailure;
      }
    }
    testing::SampleMac::makeFolder(folder);
  } else {
    temporary = std::make_unique<testing::TemporaryFolder>("corvane-demo");
    folder = temporary->path();
  }
  testing::SampleMac mac(folder);
  auto demoApps = testing::buildDemoMac(mac);
  // Apps removed long ago (some by dragging them to the Trash) left files and system records behind.
  testing::addRemovedAppLeftovers(mac);
  testing::addStaleSystemRecords(mac);
  Layout layout = Layout::at(mac.root(), mac.home(), platform::currentUserID());
  // Things the user threw away earlier, moved by the file manager with their Put Back records.
  for (const char* name : {"Setup Helper 2.4.dmg", "Screenshot 2026-11-30 at 10.02.14.png", "node_modules", "Q3 Report.pdf"})
    testing::SampleMac::writeFile(layout.userTrash() + "/" + name + (std::string(name) == "node_modules" ? "/left-pad/index.js" : ""),
                                  std::string(20000, 'x'));
  testing::writeTrashDSStore(layout.userTrash(),
                             {{"Setup Helper 2.4.dmg", "Users/demo/Downloads/", std::nullopt},
                              {"Screenshot 2026-11-30 at 10.02.14.png", "Users/demo/Desktop/", std::nullopt},
                              {"node_modules", "Users/demo/Projects/site/", std::nullopt},
                              {"Q3 Report.pdf", "Users/demo/Documents/", "Q3 Report.pdf"}});
  // The folder the report came from, where its Put Back record says it was.
  testing::SampleMac::makeFolder(layout.hostPath("/Users/demo/Documents"));
  const auto launchctl = testing::LaunchctlStandIn::write(folder, {"com.dropzone.sync.agent"});
  (void)testing::recordGlimmerUninstall(mac);

  std::ostream& out = context.out;
  out << "A sample Mac with " << demoApps.size() << " apps in " << folder << "; "
      << (temporary ? "it is removed at the end (corvane demo --at DIR keeps it).\n"
                    : "add --root " + folder + "/root --home " + folder + "/home to any command to look at it.\n");
  Session session(context, layout);

  // Analysis, with the evidence for each item.
  if (int status = session.step("analyze \"Pebble Notes\" --explain", {"analyze", "Pebble Notes", "--explain"}))
    return status;

  // An uninstall, recorded in the history; the Trash with its lanes; one item put back; the uninstall undone.
  if (int status = session.step("uninstall \"Dropzone Sync\" --select probable --yes",
                                {"uninstall", "Dropzone Sync", "--select", "probable", "--yes", "--launchctl", launchctl.script}))
    return status;
  HistoryStore history(HistoryFileManager::system(), layout);
  if (history.records().empty()) return kExitFailure;
  const std::string id = history.records().front().id.toString();
  if (int status = session.step("trash --sort lane", {"trash", "--sort", "lane"})) return status;
  if (int status = session.step("trash put-back ~/.Trash/\"Q3 Report.pdf\"",
                                {"trash", "put-back", layout.userTrash() + "/Q3 Report.pdf"}))
    return status;
  const std::size_t callsBefore = launchctl.calls().size();
  if (int status = session.step("restore " + id, {"restore", id, "--launchctl", launchctl.script})) return status;
  for (const auto& call : launchctl.calls(callsBefore)) out << "  (" << macStyleText(call, layout) << ")\n";

  // Leftovers of apps removed earlier, one line per app here (corvane orphans shows the evidence).
  out << "\n$ corvane orphans    # one line per app here; the command lists each item with its evidence\n";
  std::ostringstream orphans;
  if (int status = session.step("", {"orphans", "--json", "--scope", testing::kDemoUserScope}, &orphans)) return status;
  printOrphanGroups(out, orphans.str());
  if (int status = session.step("orphans remove com.glimmerapps.Glimmer --yes",
                                {"orphans", "remove", "com.glimmerapps.Glimmer", "--yes", "--scope", testing::kDemoUserScope}))
    return status;

  // The weekly check, as the scheduled run makes it.
  if (int status = session.step("leftover-check --if-due", {"leftover-check", "--if-due", "--scope", testing::kDemoUserScope}))
    return status;

  // The watcher, catching an app dragged to the Trash while it watches.
  const std::string dragged = "Fathom Reader.app";
  AfterFirstLine drag([&] {
    out << "(" << dragged << " is dragged to the Trash)\n";
    std::error_code ec;
    std::filesystem::rename(layout.hostPath("/Applications/" + dragged), layout.userTrash() + "/" + dragged, ec);
  });
  std::ostream watching(&drag);
  return session.step("watch --once --settle 0.2", {"watch", "--once", "--settle", "0.2"}, nullptr, &watching);
}

}  // namespace

Command demoCommand() {
  Command c;
  c.name = "demo";
  c.usage = "demo [--at DIR]";
  c.summary = "Builds a sample Mac (kept in DIR with --at) and shows Corvane at work on it: analysis with evidence, an "
              "uninstall, the Trash, Put Back, restore, orphans and their removal, the weekly check and the watcher.";
  c.options.values = {"--at"};
  c.options.paths = {"--at"};
  c.run = demo;
  c.optionDocs = {{"--at", "DIR", "builds the sample Mac in DIR (DIR/root and DIR/home) and keeps it; DIR must not exist "
                                  "yet (default: a temporary folder, removed afterwards)", {}}};
  return c;
}

}  // namespace corvane::cli
