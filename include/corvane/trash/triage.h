#pragma once
// What kind of item a Trash entry is, and how likely the user still wants it: a score from its kind,
// where it came from and how long it has been in the Trash, turned into a triage lane with short reasons.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "corvane/base/date.h"
#include "corvane/history/date_format.h"
#include "corvane/trash/leftover_row.h"

namespace corvane {

namespace Categorizer {
// By the name's extension (lower-cased) and, for folders, a few build-output folder names; a link is
// always a symlink, an ".app" always an application.
TrashCategory categorize(std::string_view name, bool isDirectory, bool isSymlink);
// The part after the last "." of the last component; none for ".hidden" names or a trailing ".".
std::string pathExtension(std::string_view name);
}  // namespace Categorizer

namespace ConfidenceScorer {
// "Documents", "Desktop", "Pictures", "Movies", "Music" for those home folders and anything inside them,
// "your Home folder" for the home itself; none elsewhere.
std::optional<std::string> preciousLabel(std::string_view folder, std::string_view home);

struct Triage {
  TriageLane lane = TriageLane::review;
  std::vector<std::string> reasons;  // at most 3, in the order they were found
  int score = 0;                     // in hundredths: 0.8 is 80

  bool operator==(const Triage&) const = default;
};

// The lane of an item of this category that came from `originFolder` (when known) and was trashed on
// `dateTrashed` (when known), as of `now`.
Triage triage(TrashCategory category, const std::optional<std::string>& originFolder, std::string_view home,
              std::optional<Date> dateTrashed, Date now, const Calendar& calendar);
}  // namespace ConfidenceScorer

}  // namespace corvane
