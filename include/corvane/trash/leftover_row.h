#pragma once
// One top-level Trash item as the Trash view shows it: its kind, size, when it was trashed, where it came
// from, whether the administrator owns it, and a suggested triage lane with up to three short reasons.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "corvane/base/date.h"
#include "corvane/history/date_format.h"

namespace corvane {

enum class TriageLane { safeToPurge, review, likelyWanted };

enum class TrashCategory {
  application,
  screenshot,
  installer,
  archive,
  image,
  video,
  audio,
  document,
  developer,
  folder,
  symlink,
  other,
};

namespace triage {
// "safeToPurge", "review", "likelyWanted".
std::string rawValue(TriageLane lane);
std::optional<TriageLane> laneFromRawValue(const std::string& text);
// "Safe to purge", "Review", "Keep?".
std::string label(TriageLane lane);
// "Application", "Screenshot", ...; and the symbol name shown beside it.
std::string kindLabel(TrashCategory category);
std::string kindSymbol(TrashCategory category);
}  // namespace triage

struct LeftoverRow {
  std::string id;  // the item's absolute path
  std::string name;
  std::string path;
  std::string kindSymbol;
  std::string kindLabel;
  std::optional<std::int64_t> sizeBytes;
  bool isDirectory = false;
  std::optional<Date> dateTrashed;
  std::optional<std::string> originalLocation;  // the folder it came from, when known and outside the Trash
  bool isRootOwned = false;
  TriageLane triageLane = TriageLane::review;
  std::vector<std::string> triageReasons;  // at most 3

  // "—" without a size; otherwise the byte count as a file size ("1.2 MB").
  std::string sizeText() const;
  // "Date unknown", or "Trashed " + the relative date lower-cased ("Trashed 2 weeks ago").
  std::string dateText(Date now, const Calendar& calendar = Calendar::current()) const;
  // "Moved to the Trash on 2026-12-05 14:03", or none without a date.
  std::optional<std::string> dateTooltip(const Calendar& calendar = Calendar::current()) const;

  bool operator==(const LeftoverRow&) const = default;
};

struct LeftoversResult {
  std::vector<LeftoverRow> rows;

  bool isEmpty() const { return rows.empty(); }
  int totalTrashItems() const { return static_cast<int>(rows.size()); }
  int rootOwnedCount() const;
  std::int64_t totalBytes() const;  // known sizes, negative counted as 0
  bool operator==(const LeftoversResult&) const = default;
};

// The caller's state before any scan, or what a scan found.
struct LeftoversScanState {
  enum class Kind { scanned, notScanned, accessDenied };
  Kind kind = Kind::notScanned;
  LeftoversResult result;  // for scanned

  static LeftoversScanState scanned(LeftoversResult result) { return {Kind::scanned, std::move(result)}; }
  static LeftoversScanState notScanned() { return {Kind::notScanned, {}}; }
  static LeftoversScanState accessDenied() { return {Kind::accessDenied, {}}; }
  bool operator==(const LeftoversScanState&) const = default;
};

}  // namespace corvane
