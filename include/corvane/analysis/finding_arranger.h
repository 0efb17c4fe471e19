#pragma once
// Sorting findings for display: by recommendation, name, size or modification date, either way round.

#include <array>
#include <optional>
#include <string_view>
#include <vector>

#include "corvane/model/file_finding.h"

namespace corvane {

enum class FindingSortKey { recommended, name, size, dateModified };
enum class FindingSortDirection { ascending, descending };

extern const std::array<FindingSortKey, 4> kAllFindingSortKeys;
extern const std::array<FindingSortDirection, 2> kAllFindingSortDirections;

// "recommended", "name", "size", "dateModified".
std::string_view stringValue(FindingSortKey key);
// "Recommended", "Name", "Size", "Date modified".
std::string_view label(FindingSortKey key);
// Name sorts ascending by default, everything else descending.
FindingSortDirection defaultDirection(FindingSortKey key);
// Exactly one of the string values, or no value.
std::optional<FindingSortKey> findingSortKeyFromString(std::string_view value);

// "ascending", "descending".
std::string_view stringValue(FindingSortDirection direction);
FindingSortDirection flipped(FindingSortDirection direction);
std::optional<FindingSortDirection> findingSortDirectionFromString(std::string_view value);

namespace FindingArranger {

// The same findings reordered; stable, so findings that compare equal keep their order. Findings without
// a size (or date) come last whichever the direction; ties fall back to name, then path, ascending.
std::vector<FileFinding> arrange(std::vector<FileFinding> findings, FindingSortKey sort,
                                 FindingSortDirection direction);

}  // namespace FindingArranger

}  // namespace corvane
