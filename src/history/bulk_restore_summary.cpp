#include "corvane/history/bulk_restore_summary.h"

#include <algorithm>

#include "corvane/base/url.h"

namespace corvane::BulkRestoreSummary {

namespace {

std::string folderOf(const std::string& path) {
  auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string lastOf(const std::string& path) {
  auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string items(long count) { return std::to_string(count) + (count == 1 ? " item" : " items"); }

std::string lowercased(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
  return text;
}

std::string rejectionSentence(RestoreRejection rejection, const std::string& name) {
  const std::string cant = "Can't put back '" + name + "': ";
  switch (rejection) {
    case RestoreRejection::sourceNotInTrash: return "'" + name + "' is no longer in the Trash.";
    case RestoreRejection::destinationUntrusted: return cant + "its original location is not a safe destination.";
    case RestoreRejection::restoreIntoTrash: return cant + "its original location is inside the Trash.";
    case RestoreRejection::destParentMissing: return cant + "its original folder no longer exists.";
    case RestoreRejection::destParentNotDir:
    case RestoreRejection::destParentSymlink: return cant + "its original folder is invalid.";
    case RestoreRejection::destNotWritable: return cant + "its original folder is not writable.";
    case RestoreRejection::noFreeName: return cant + "too many name collisions at the destination.";
  }
  return cant + "its original folder is invalid.";
}

}  // namespace

bool isRestored(const RestoreOutcome& outcome) {
  return outcome.kind == RestoreOutcome::Kind::restored || outcome.kind == RestoreOutcome::Kind::sourceRemoveFailed;
}

std::string single(const RestoreOutcome& outcome, const std::string& name) {
  using Kind = RestoreOutcome::Kind;
  switch (outcome.kind) {
    case Kind::restored: {
      std::string sentence = "Put '" + name + "' back to " + folderOf(outcome.to);
      if (lastOf(outcome.to) == name) return sentence + ".";
      return sentence + " as '" + lastOf(outcome.to) + "', because an item with that name was already there.";
    }
    case Kind::sourceRemoveFailed:
      return "Put '" + name + "' back to " + folderOf(outcome.to) + ", but a copy still remains in the Trash.";
    case Kind::failed: return "Couldn't put back '" + name + "': " + outcome.note + ".";
    case Kind::copyFailed: return "Couldn't copy '" + name + "' to its original location. Nothing was removed.";
    case Kind::sourceGone: return "'" + name + "' is no longer in the Trash.";
    case Kind::destTaken:
      return "Can't put back '" + name + "': a file with that name was just created at the destination.";
    case Kind::rejected: return rejectionSentence(outcome.rejection, name);
  }
  return "Couldn't put back '" + name + "'.";
}

std::string message(const std::vector<NamedRestoreOutcome>& results) {
  if (results.size() == 1) return single(results.front().outcome, results.front().name);
  const long total = static_cast<long>(results.size());
  long restored = 0;
  long renamed = 0;
  for (const auto& [name, outcome] : results) {
    if (!isRestored(outcome)) continue;
    ++restored;
    if (lastOf(outcome.to) != name) ++renamed;
  }
  const long failed = total - restored;
  std::string renamedNote;
  if (renamed == 1) renamedNote = " 1 was renamed because an item with the same name was already there.";
  if (renamed > 1)
    renamedNote = " " + std::to_string(renamed) + " were renamed because items with the same names were already there.";

  if (failed == 0) return "Put back " + std::to_string(total) + " items." + renamedNote;
  if (restored == 0) return "Couldn't put back " + items(failed) + ". They remain in the Trash.";
  return "Put back " + items(restored) + ". " + std::to_string(failed) +
         " could not be restored and remain in the Trash." + renamedNote;
}

bool restoredAnApplication(const std::vector<NamedRestoreOutcome>& results) {
  return std::any_of(results.begin(), results.end(), [](const NamedRestoreOutcome& result) {
    if (!isRestored(result.outcome)) return false;
    return lowercased(Url::fileURL(result.outcome.to).pathExtension()) == "app";
  });
}

}  // namespace corvane::BulkRestoreSummary
