#pragma once
// Sorting and filtering the Trash view's rows, and the range a shift-click selects.

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "corvane/trash/leftover_row.h"

namespace corvane {

enum class LeftoverSortKey { size, name, dateTrashed, kind };
enum class LeftoverSortDirection { ascending, descending };

namespace leftoverSort {
inline constexpr LeftoverSortKey kAllKeys[] = {LeftoverSortKey::size, LeftoverSortKey::name,
                                               LeftoverSortKey::dateTrashed, LeftoverSortKey::kind};
// "size", "name", "dateTrashed", "kind".
std::string rawValue(LeftoverSortKey key);
std::optional<LeftoverSortKey> keyFromRawValue(std::string_view text);
// "Size", "Name", "Date trashed", "Kind".
std::string label(LeftoverSortKey key);
// Largest and newest first; names and kinds from A.
LeftoverSortDirection defaultDirection(LeftoverSortKey key);
// "ascending", "descending".
std::string rawValue(LeftoverSortDirection direction);
std::optional<LeftoverSortDirection> directionFromRawValue(std::string_view text);
}  // namespace leftoverSort

namespace LeftoverArranger {
// The rows whose name or original location contains the search text (trimmed, any case), sorted stably
// by the key in the direction. Unknown sizes and dates always come last; ties go by name, then path.
std::vector<LeftoverRow> arrange(std::vector<LeftoverRow> rows, std::string_view search, LeftoverSortKey sort,
                                 LeftoverSortDirection direction);
std::vector<LeftoverRow> arrange(std::vector<LeftoverRow> rows, std::string_view search, LeftoverSortKey sort);
// The order rows are listed in before the user picks one: known sizes first, largest first, then by name
// and path.
void sortByDefaultOrder(std::vector<LeftoverRow>& rows);
}  // namespace LeftoverArranger

namespace SelectionMath {
// The paths from the anchor to the target in the arranged order, both included; just the target without
// a usable anchor; nothing when the target is no longer listed.
std::vector<std::string> rangePaths(const std::vector<LeftoverRow>& arranged, const std::optional<std::string>& anchor,
                                    const std::string& target);
// The selected paths that are still present.
std::set<std::string> pruned(const std::set<std::string>& selection, const std::set<std::string>& present);
}  // namespace SelectionMath

}  // namespace corvane
