#include "corvane/trash/leftovers_scanner.h"

#include <cerrno>
#include <span>
#include <utility>

#include "analysis/system_library_names.h"
#include "corvane/formats/ds_store.h"
#include "corvane/removal/trash_safety.h"
#include "corvane/trash/leftover_arranger.h"
#include "corvane/trash/triage.h"
#include "platform/file_io.h"
#include "platform/file_status.h"

namespace corvane {
namespace {

std::optional<unsigned> linkOwner(const std::string& path) {
  auto status = platform::linkStatus(path);
  if (!status) return std::nullopt;
  return status->uid;
}

// Something of the system's own that someone trashed is most likely still wanted.
void keepSystemItem(ConfidenceScorer::Triage& triage, const std::string& originalPath,
                    std::span<const std::string> libraries) {
  auto claim = SystemLibraryNames::claim(originalPath, libraries);
  if (!claim || !claim->bySystem()) return;
  triage.lane = TriageLane::likelyWanted;
  triage.reasons.insert(triage.reasons.begin(), "macOS's own data");
  if (triage.reasons.size() > 3) triage.reasons.resize(3);
}

bool isInsideOrAt(const std::string& path, const std::string& folder) {
  return path == folder || (path.size() > folder.size() && path.starts_with(folder) && path[folder.size()] == '/');
}

}  // namespace

LeftoversScanner::LeftoversScanner(Layout layout, Collaborators collaborators)
    : layout_(std::move(layout)), collaborators_(std::move(collaborators)) {
  if (!collaborators_.roots) {
    collaborators_.roots = [locator = TrashLocator(layout_)] { return locator.discoverRoots(); };
  }
  if (!collaborators_.scanFolder) {
    collaborators_.scanFolder = [scanner = TrashScanner()](const std::string& folder) {
      return scanner.scan(folder);
    };
  }
  if (!collaborators_.ownerOf) collaborators_.ownerOf = linkOwner;
  if (!collaborators_.now) collaborators_.now = date::now;
}

LeftoversScanState LeftoversScanner::scan(const HistoryOrigins& historyOrigins) const {
  const auto roots = collaborators_.roots();
  // A home that has never had anything trashed has no Trash folder yet (the first move makes it): an
  // empty Trash, not one that cannot be read.
  if (roots.empty() && homeTrashIsAbsent()) return LeftoversScanState::scanned(LeftoversResult{});
  if (roots.empty() || !roots.front().isHome) return LeftoversScanState::accessDenied();
  const Date now = collaborators_.now();
  const Calendar calendar = collaborators_.calendar.value_or(Calendar::current());
  const HistoryOrigins none;

  std::vector<LeftoverRow> rows;
  for (const auto& root : roots) {
    const auto listing = collaborators_.scanFolder(root.path);
    if (listing.permissionDenied) {
      if (root.isHome) return LeftoversScanState::accessDenied();
      continue;
    }
    std::map<std::string, unsigned> owners;
    for (const auto& item : listing.items) {
      // What the user owns is never the system's, even when the user is the administrator.
      auto uid = collaborators_.ownerOf(item.path);
      if (uid && *uid != layout_.userID) owners[item.path] = *uid;
    }
    auto folderRows = assemble(listing.items, loadPutBack(root.path, root.volumeRoot),
                               root.isHome ? historyOrigins : none, owners, root.path, now, layout_.home, calendar,
                               layout_.library());
    rows.insert(rows.end(), std::make_move_iterator(folderRows.begin()), std::make_move_iterator(folderRows.end()));
  }
  LeftoverArranger::sortByDefaultOrder(rows);
  return LeftoversScanState::scanned(LeftoversResult{std::move(rows)});
}

bool LeftoversScanner::homeTrashIsAbsent() const {
  const auto home = platform::linkStatus(layout_.home);
  if (!home || home->type() != platform::FileType::directory) return false;
  const auto trash = platform::linkStatus(layout_.userTrash());
  return !trash && trash.error().code == ENOENT;
}

PutBackTable LeftoversScanner::loadPutBack(const std::string& trashRoot, const std::string& volumeRoot) const {
  auto bytes = platform::readFileBytes(trashRoot + "/.DS_Store", kMaxDSStoreBytes);
  if (!bytes.has_value()) return {};
  auto parsed = DSStore::parse(bytes.value());
  if (!parsed.ok()) return {};
  PutBackTable table = PutBackStore::resolve(parsed.records, volumeRoot);
  // The home Trash records folders as the Mac sees them; a volume's are already below its mount point.
  // A folder written with ".", ".." or "//" keeps them, untidied, so that a restore refuses it instead of
  // following it somewhere else.
  if (volumeRoot == "/") {
    for (auto& [name, info] : table) {
      const bool tidy = TrashSafety::lexicalNormalize(info.originalParent) == info.originalParent;
      info.originalParent = tidy ? layout_.hostPath(info.originalParent) : layout_.underRoot(info.originalParent);
    }
  }
  return table;
}

std::vector<LeftoverRow> LeftoversScanner::assemble(const std::vector<TrashItem>& items, const PutBackTable& putBack,
                                                    const HistoryOrigins& historyOrigins,
                                                    const std::map<std::string, unsigned>& ownerUID,
                                                    const std::string& trashRoot, Date now, const std::string& home,
                                                    const Calendar& calendar, const std::string& systemLibrary) {
  const std::string libraries[] = {home + "/Library", systemLibrary};
  std::vector<LeftoverRow> rows;
  rows.reserve(items.size());
  for (const auto& item : items) {
    const TrashCategory category = Categorizer::categorize(item.name, item.isDirectory, item.isSymlink);
    std::optional<PutBackInfo> origin;
    if (auto entry = putBack.find(item.name); entry != putBack.end())
      origin = entry->second;
    else
      origin = PutBackStore::applicableFallback(item.name, item.dateTrashed, historyOrigins);
    std::optional<std::string> originFolder;
    if (origin) originFolder = origin->originalParent;

    auto triage = ConfidenceScorer::triage(category, originFolder, home, item.dateTrashed, now, calendar);
    if (origin) keepSystemItem(triage, origin->originalPath(), libraries);

    LeftoverRow row;
    row.id = row.path = item.path;
    row.name = item.name;
    row.kindSymbol = triage::kindSymbol(category);
    row.kindLabel = triage::kindLabel(category);
    row.sizeBytes = item.sizeBytes;
    row.isDirectory = item.isDirectory;
    row.dateTrashed = item.dateTrashed;
    if (originFolder && !originFolder->empty() && !isInsideOrAt(*originFolder, trashRoot))
      row.originalLocation = originFolder;
    auto owner = ownerUID.find(item.path);
    row.isRootOwned = owner != ownerUID.end() && owner->second == 0;
    row.triageLane = triage.lane;
    row.triageReasons = std::move(triage.reasons);
    rows.push_back(std::move(row));
  }
  LeftoverArranger::sortByDefaultOrder(rows);
  return rows;
}

}  // namespace corvane
