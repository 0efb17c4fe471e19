// corvane uninstall APP --select ...: moves an app and the leftovers the user selects to the Trash, and
// remembers the uninstall in the history.

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "cli/finding_ids.h"
#include "cli/snapshot_text.h"
#include "corvane/app_analyzer.h"
#include "corvane/app_discovery_service.h"
#include "corvane/background_service_controller.h"
#include "corvane/command_runner.h"
#include "corvane/history_store.h"
#include "corvane/json_forms.h"
#include "corvane/removal_runner.h"
#include "corvane/trash_service.h"

namespace corvane::cli {

namespace {

constexpr const char* kUsage =
    "uninstall APP --select safe|probable|all|ID,... [--keep-app] [--dry-run] [--yes] [--json] [--launchctl PATH]";

// What --select asks for: a tier keyword, or finding ids.
struct SelectSpec {
  enum class Mode { safe, probable, all, ids } mode = Mode::safe;
  std::vector<Uuid> ids;
};

std::optional<SelectSpec> parseSelect(const std::string& text) {
  SelectSpec spec;
  if (text == "safe") return spec;
  if (text == "probable") {
    spec.mode = SelectSpec::Mode::probable;
    return spec;
  }
  if (text == "all") {
    spec.mode = SelectSpec::Mode::all;
    return spec;
  }
  spec.mode = SelectSpec::Mode::ids;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t comma = std::min(text.find(',', start), text.size());
    auto id = Uuid::parse(trimmed(std::string_view(text).substr(start, comma - start)));
    if (!id) return std::nullopt;
    spec.ids.push_back(*id);
    start = comma + 1;
  }
  return spec;
}

bool wanted(const FileFinding& f, SelectSpec::Mode mode) {
  switch (mode) {
    case SelectSpec::Mode::safe:
      return f.confidence == FindingConfidence::safeToRemove;
    case SelectSpec::Mode::probable:
      return f.confidence == FindingConfidence::safeToRemove || f.confidence == FindingConfidence::probablyLeftover;
    case SelectSpec::Mode::all:
    case SelectSpec::Mode::ids:
      return true;
  }
  return false;
}

std::string items(std::size_t n) { return std::to_string(n) + (n == 1 ? " item" : " items"); }

void printSelection(std::ostream& out, const std::vector<FileFinding>& selected, const Layout& layout) {
  for (const auto& f : selected) {
    out << "  " << f.id.toString() << "  " << stringValue(f.confidence) << " · " << stringValue(f.kind) << " · "
        << formatSize(f.byteCount) << "  " << displayPath(f.url, layout) << "\n";
  }
}

void printOutcome(std::ostream& out, const RemovalRunner::Transaction& transaction, const Layout& layout) {
  if (!transaction.backgroundOperations.empty()) out << "Background services:\n";
  for (const auto& s : transaction.backgroundOperations) {
    out << "  " << s.serviceIdentifier << ": "
        << (s.paused ? "paused" : s.wasRegistered ? "not paused" : "not registered, nothing to pause");
    if (s.errorDescription) out << ": " << *s.errorDescription;
    out << "\n";
  }
  for (const auto& op : transaction.trashOperations) {
    if (op.succeeded) {
      out << "  moved  " << displayPath(op.originalURL, layout);
      if (op.trashedURL) out << " -> " << displayPath(*op.trashedURL, layout);
    } else {
      out << "  failed " << displayPath(op.originalURL, layout);
      if (op.errorDescription) out << ": " << *op.errorDescription;
      if (op.failureReason) out << " (" << rawValue(*op.failureReason) << ")";
    }
    out << "\n";
  }
}

bool confirmed(Context& context, std::ostream& text, std::size_t count) {
  text << "Move " << items(count) << " to the Trash? [y/N] " << std::flush;
  std::string answer;
  if (!std::getline(context.in, answer)) answer.clear();
  std::string word = trimmed(answer);
  std::transform(word.begin(), word.end(), word.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return word == "y" || word == "yes";
}

int uninstall(const ParsedArguments& args, Context& context) {
  auto selectText = args.value("--select");
  if (!selectText) {
    context.err << "corvane uninstall: --select is required: nothing is selected until you choose (usage: corvane "
                << context.usage << ")\n";
    return kExitUsage;
  }
  auto spec = parseSelect(*selectText);
  if (!spec) {
    context.err << "corvane uninstall: --select takes safe, probable, all or finding ids separated by commas, not "
                << *selectText << "\n";
    return kExitUsage;
  }
  const bool asJSON = args.has("--json");
  // With --json only the record (or the selection) goes to the output; everything for people goes to
  // the error stream.
  std::ostream& text = asJSON ? context.err : context.out;
  const Layout& layout = context.layout;

  Url appURL = Url::fileURL(args.positional[0]).standardized();
  std::error_code ec;
  if (!std::filesystem::is_directory(appURL.path(), ec)) {
    context.err << "corvane uninstall: no application at " << appURL.path() << "\n";
    return kExitFailure;
  }
  AppDiscoveryService discovery(layout);
  InstalledApplication app = discovery.makeApplication(appURL);
  std::vector<InstalledApplication> installed = discovery.discover();
  for (const auto& a : installed)
    if (a.url.standardized() == appURL) app = a;

  AppAnalyzer analyzer(layout);
  AnalysisSnapshot before = analyzer.analyze(app, installed);
  giveStableIDs(before, layout);

  std::vector<FileFinding> selected;
  if (spec->mode == SelectSpec::Mode::ids) {
    for (const auto& id : spec->ids) {
      auto it = std::find_if(before.findings.begin(), before.findings.end(),
                             [&](const FileFinding& f) { return f.id == id && f.isSelectable(); });
      if (it == before.findings.end()) {
        context.err << "corvane uninstall: " << id.toString() << " is not a selectable item of " << app.name
                    << " (see corvane uninstall APP --select all --dry-run). Nothing was moved.\n";
        return kExitFailure;
      }
      if (std::find(selected.begin(), selected.end(), *it) == selected.end()) selected.push_back(*it);
    }
  } else {
    for (const auto& f : before.findings)
      if (f.isSelectable() && wanted(f, spec->mode)) selected.push_back(f);
  }
  if (args.has("--keep-app")) {
    selected.erase(std::remove_if(selected.begin(), selected.end(),
                                  [](const FileFinding& f) { return f.kind == FindingKind::application; }),
                   selected.end());
  }

  printSnapshotHeader(text, before, layout);
  if (selected.empty()) {
    text << "Nothing to move: no selectable item matches --select " << *selectText << ".\n";
    if (asJSON && args.has("--dry-run")) context.out << "[]\n";
    return kExitOK;
  }
  text << "To move to the Trash (" << items(selected.size()) << "):\n";
  printSelection(text, selected, layout);

  if (args.has("--dry-run")) {
    text << "Dry run: nothing was moved.\n";
    if (asJSON) {
      context.out << toJSON(selected, JsonLayout::pretty) << "\n";
    }
    return kExitOK;
  }
  if (!args.has("--yes") && !confirmed(context, text, selected.size())) {
    text << "Cancelled. Nothing was moved.\n";
    return kExitFailure;
  }

  std::string launchctl = args.value("--launchctl").value_or(std::string(kLaunchctlPath));
  RemovalRunner runner(TrashService::system(layout),
                       BackgroundServiceController(std::make_shared<CommandRunner>(), layout.userID, launchctl));
  RemovalRunner::Transaction transaction = runner.perform(selected, before.identity);

  // The same application analysed again. Its identity is the one analysed before: with the bundle gone,
  // what was read from it (signature, groups, embedded services) could not be read again.
  std::vector<InstalledApplication> peers;
  for (auto& a : discovery.discover())
    if (a.url.standardized() != appURL) peers.push_back(std::move(a));
  AnalysisSnapshot after =
      analyzer.analyze(before.identity, before.appURL, analyzer.componentInspector(before.appURL).evidence,
                       analyzer.signatureEnrichedPeers(before.identity, peers));
  giveStableIDs(after, layout);
  UninstallRecord record = RemovalRunner::makeRecord(transaction, before, after, date::now());
  HistoryStore history(HistoryFileManager::system(), layout);
  Status recorded = history.append(record);

  printOutcome(text, transaction, layout);
  text << "Moved " << record.succeededCount() << " of " << items(record.operations.size()) << " to the Trash; ";
  if (recorded.has_value()) {
    text << "recorded in the history as " << record.id.toString() << ".\n";
  } else {
    text << "not recorded in the history.\n";
    const Error& error = recorded.error();
    context.err << "corvane uninstall: could not record this uninstall in the history file "
                << history.fileURL().path() << ": "
                << (error.code != 0 ? std::string(std::strerror(error.code)) : error.message) << "\n";
  }
  std::size_t left = after.findings.size();
  text << (left == 0 ? std::string("Nothing of ") + app.name + " was found afterwards.\n"
                     : items(left) + " of " + app.name + " remain (see corvane analyze).\n");
  if (asJSON) context.out << toJSON(record, JsonLayout::pretty) << "\n";
  if (!recorded.has_value()) return kExitFailure;
  return record.succeededCount() == static_cast<int>(record.operations.size()) ? kExitOK : kExitFailure;
}

}  // namespace

Command uninstallCommand() {
  Command c;
  c.name = "uninstall";
  c.usage = kUsage;
  c.summary = "Moves an app and the leftovers you select to the Trash, after confirming, and records it in the history.";
  c.options.flags = {"--keep-app", "--dry-run", "--yes", "--json"};
  c.options.values = {"--select", "--launchctl"};
  c.options.minPositional = 1;
  c.options.paths = {"--launchctl"};
  c.options.maxPositional = 1;
  c.options.positionalPaths = true;
  c.options.layout = true;
  c.run = uninstall;
  return c;
}

}  // namespace corvane::cli
