#include "corvane/trash/leftover_row.h"

#include <array>

#include "corvane/base/byte_count.h"
#include "platform/unicode.h"

namespace corvane {
namespace {

struct CategoryText {
  TrashCategory category;
  const char* label;
  const char* symbol;
};

constexpr std::array<CategoryText, 12> kCategories{{
    {TrashCategory::application, "Application", "macwindow"},
    {TrashCategory::screenshot, "Screenshot", "camera.viewfinder"},
    {TrashCategory::installer, "Installer", "shippingbox"},
    {TrashCategory::archive, "Archive", "doc.zipper"},
    {TrashCategory::image, "Image", "photo"},
    {TrashCategory::video, "Video", "film"},
    {TrashCategory::audio, "Audio", "music.note"},
    {TrashCategory::document, "Document", "doc.text"},
    {TrashCategory::developer, "Developer", "chevron.left.forwardslash.chevron.right"},
    {TrashCategory::folder, "Folder", "folder"},
    {TrashCategory::symlink, "Symlink", "link"},
    {TrashCategory::other, "Other", "doc"},
}};

const CategoryText& textOf(TrashCategory category) {
  for (const auto& entry : kCategories) {
    if (entry.category == category) return entry;
  }
  return kCategories.back();
}

}  // namespace

namespace triage {

std::string rawValue(TriageLane lane) {
  switch (lane) {
    case TriageLane::safeToPurge: return "safeToPurge";
    case TriageLane::review: return "review";
    case TriageLane::likelyWanted: return "likelyWanted";
  }
  return "review";
}

std::optional<TriageLane> laneFromRawValue(const std::string& text) {
  for (TriageLane lane : {TriageLane::safeToPurge, TriageLane::review, TriageLane::likelyWanted}) {
    if (rawValue(lane) == text) return lane;
  }
  return std::nullopt;
}

std::string label(TriageLane lane) {
  switch (lane) {
    case TriageLane::safeToPurge: return "Safe to purge";
    case TriageLane::review: return "Review";
    case TriageLane::likelyWanted: return "Keep?";
  }
  return "Review";
}

std::string kindLabel(TrashCategory category) { return textOf(category).label; }
std::string kindSymbol(TrashCategory category) { return textOf(category).symbol; }

}  // namespace triage

std::string LeftoverRow::sizeText() const { return sizeBytes ? byteCount::fileSize(*sizeBytes) : "—"; }

std::string LeftoverRow::dateText(Date now, const Calendar& calendar) const {
  if (!dateTrashed) return "Date unknown";
  return "Trashed " + platform::lowercased(DateFormat::relativeTrashed(*dateTrashed, now, calendar));
}

std::optional<std::string> LeftoverRow::dateTooltip(const Calendar& calendar) const {
  if (!dateTrashed) return std::nullopt;
  return "Moved to the Trash on " + DateFormat::absolute(*dateTrashed, "en_US_POSIX", calendar);
}

int LeftoversResult::rootOwnedCount() const {
  int count = 0;
  for (const auto& row : rows) count += row.isRootOwned ? 1 : 0;
  return count;
}

std::int64_t LeftoversResult::totalBytes() const {
  std::int64_t total = 0;
  for (const auto& row : rows) {
    if (row.sizeBytes && *row.sizeBytes > 0) total += *row.sizeBytes;
  }
  return total;
}

}  // namespace corvane
