// corvane demo: builds a sample Mac and shows what a user sees.

#include <filesystem>
#include <memory>
#include <ostream>
#include <sstream>

#include "cli/commands.h"
#include "cli/snapshot_text.h"
#include "corvane/history/history_store.h"
#include "report/demo_text.h"
#include "sample_mac/background_items_builder.h"
#include "sample_mac/demo_scene.h"

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

// The folder the demo builds its Mac in; none, after saying why, for one that is not new or empty.
std::optional<std::string> demoFolder(const ParsedArguments& args, Context& context, int& status) {
  const std::string folder = *args.value("--at");
  // The demo never writes among files that are already there (an earlier demo's included: its moves and
  // history would no longer match what is shown).
  std::error_code ec;
  if (!std::filesystem::exists(std::filesystem::symlink_status(folder, ec))) return testing::SampleMac::makeFolder(folder);
  if (!std::filesystem::is_directory(folder, ec)) {
    context.err << "corvane demo: --at " << folder << " is not a folder (usage: corvane " << context.usage << ")\n";
    status = kExitUsage;
  } else if (!std::filesystem::is_empty(folder, ec) || ec) {
    context.err << "corvane demo: " << folder << " is not empty (an earlier demo?); give a new or empty folder. Nothing was written.\n";
    status = kExitFailure;
  }
  return status == kExitOK ? std::optional<std::string>(folder) : std::nullopt;
}

// Analysis with evidence; an uninstall recorded in the history; the Trash with its lanes; one item put
// back; the uninstall undone.
int analyseUninstallAndRestore(Session& session, const testing::DemoScene& scene, std::ostream& out) {
  const std::string launchctl = scene.launchctl.script;
  if (int status = session.step("analyze \"Pebble Notes\" --explain", {"analyze", "Pebble Notes", "--explain"})) return status;
  if (int status = session.step("uninstall \"Dropzone Sync\" --select probable --yes",
                                {"uninstall", "Dropzone Sync", "--select", "probable", "--yes", "--launchctl", launchctl}))
    return status;
  HistoryStore history(HistoryFileManager::system(), scene.layout);
  if (history.records().empty()) return kExitFailure;
  const std::string id = history.records().front().id.toString();
  if (int status = session.step("trash --sort lane", {"trash", "--sort", "lane"})) return status;
  if (int status = session.step("trash put-back ~/.Trash/\"Q3 Report.pdf\"",
                                {"trash", "put-back", scene.layout.userTrash() + "/Q3 Report.pdf"}))
    return status;
  const std::size_t callsBefore = scene.launchctl.calls().size();
  if (int status = session.step("restore " + id, {"restore", id, "--launchctl", launchctl})) return status;
  for (const auto& call : scene.launchctl.calls(callsBefore)) out << "  (" << macStyleText(call, scene.layout) << ")\n";
  return kExitOK;
}

// Leftovers of apps removed earlier and their removal; the weekly check; the watcher catching an app
// dragged to the Trash while it watches.
int leftoversAndWatcher(Session& session, const Layout& layout, std::ostream& out) {
  out << "\n$ corvane orphans    # one line per app here; the command lists each item with its evidence\n";
  std::ostringstream orphans;
  if (int status = session.step("", {"orphans", "--json", "--scope", testing::kDemoUserScope}, &orphans)) return status;
  report::printOrphanGroups(out, orphans.str());
  if (int status = session.step("orphans remove com.glimmerapps.Glimmer --yes",
                                {"orphans", "remove", "com.glimmerapps.Glimmer", "--yes", "--scope", testing::kDemoUserScope}))
    return status;
  if (int status = session.step("leftover-check --if-due", {"leftover-check", "--if-due", "--scope", testing::kDemoUserScope}))
    return status;
  const std::string dragged = "Fathom Reader.app";
  testing::AfterFirstLine drag([&] {
    out << "(" << dragged << " is dragged to the Trash)\n";
    std::error_code ec;
    std::filesystem::rename(layout.hostPath("/Applications/" + dragged), layout.userTrash() + "/" + dragged, ec);
  });
  std::ostream watching(&drag);
  return session.step("watch --once --settle 0.2", {"watch", "--once", "--settle", "0.2"}, nullptr, &watching);
}

int demo(const ParsedArguments& args, Context& context) {
  std::unique_ptr<testing::TemporaryFolder> temporary;
  std::optional<std::string> folder;
  int status = kExitOK;
  if (args.value("--at")) {
    folder = demoFolder(args, context, status);
    if (!folder) return status;
  } else {
    temporary = std::make_unique<testing::TemporaryFolder>("corvane-demo");
    folder = temporary->path();
  }
  const testing::DemoScene scene = testing::buildDemoScene(*folder);
  context.out << report::demoIntro(scene.appCount, *folder, !temporary);
  Session session(context, scene.layout);
  status = analyseUninstallAndRestore(session, scene, context.out);
  return status != kExitOK ? status : leftoversAndWatcher(session, scene.layout, context.out);
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
