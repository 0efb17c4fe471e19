#include "corvane/trash/leftover_arranger.h"

#include <algorithm>
#include <iterator>

#include "platform/unicode.h"

namespace corvane {
namespace {

// Negative, zero or positive, like the platform comparisons.
template <typename T>
int threeWay(const T& a, const T& b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

int byNameThenPath(const LeftoverRow& a, const LeftoverRow& b) {
  if (int names = platform::localizedStandardCompare(a.name, b.name)) return names;
  return threeWay(a.path, b.path);
}

// Rows without the value go last whatever the direction; others by value in the direction, then by name
// and path ascending.
template <typename T>
int optionalFirst(const std::optional<T>& a, const std::optional<T>& b, bool ascending) {
  if (a.has_value() != b.has_value()) return a.has_value() ? -1 : 1;
  if (!a || *a == *b) return 0;
  return ascending ? threeWay(*a, *b) : threeWay(*b, *a);
}

std::string trimmed(std::string_view text) {
  constexpr std::string_view kSpace = " \t\n\r\v\f";
  auto first = text.find_first_not_of(kSpace);
  if (first == std::string_view::npos) return {};
  auto last = text.find_last_not_of(kSpace);
  return std::string(text.substr(first, last - first + 1));
}

bool containsText(std::string_view haystack, const std::string& lowerNeedle) {
  return platform::lowercased(haystack).find(lowerNeedle) != std::string::npos;
}

}  // namespace

namespace leftoverSort {

std::string rawValue(LeftoverSortKey key) {
  switch (key) {
    case LeftoverSortKey::size: return "size";
    case LeftoverSortKey::name: return "name";
    case LeftoverSortKey::dateTrashed: return "dateTrashed";
    case LeftoverSortKey::kind: return "kind";
  }
  return "size";
}

std::optional<LeftoverSortKey> keyFromRawValue(std::string_view text) {
  for (auto key : kAllKeys)
    if (rawValue(key) == text) return key;
  return std::nullopt;
}

std::string label(LeftoverSortKey key) {
  switch (key) {
    case LeftoverSortKey::size: return "Size";
    case LeftoverSortKey::name: return "Name";
    case LeftoverSortKey::dateTrashed: return "Date trashed";
    case LeftoverSortKey::kind: return "Kind";
  }
  return "Size";
}

LeftoverSortDirection defaultDirection(LeftoverSortKey key) {
  return key == LeftoverSortKey::size || key == LeftoverSortKey::dateTrashed ? LeftoverSortDirection::descending
                                                                             : LeftoverSortDirection::ascending;
}

std::string rawValue(LeftoverSortDirection direction) {
  return direction == LeftoverSortDirection::ascending ? "ascending" : "descending";
}

std::optional<LeftoverSortDirection> directionFromRawValue(std::string_view text) {
  for (auto direction : {LeftoverSortDirection::ascending, LeftoverSortDirection::descending})
    if (rawValue(direction) == text) return direction;
  return std::nullopt;
}

}  // namespace leftoverSort

namespace LeftoverArranger {

std::vector<LeftoverRow> arrange(std::vector<LeftoverRow> rows, std::string_view search, LeftoverSortKey sort,
                                 LeftoverSortDirection direction) {
  const std::string query = platform::lowercased(trimmed(search));
  if (!query.empty()) {
    std::erase_if(rows, [&](const LeftoverRow& row) {
      return !containsText(row.name, query) && !(row.originalLocation && containsText(*row.originalLocation, query));
    });
  }
  const bool ascending = direction == LeftoverSortDirection::ascending;
  auto compare = [&](const LeftoverRow& a, const LeftoverRow& b) -> int {
    switch (sort) {
      case LeftoverSortKey::size:
        if (int c = optionalFirst(a.sizeBytes, b.sizeBytes, ascending)) return c;
        return byNameThenPath(a, b);
      case LeftoverSortKey::name:
        if (int c = platform::localizedStandardCompare(a.name, b.name)) return ascending ? c : -c;
        return threeWay(a.path, b.path);
      case LeftoverSortKey::dateTrashed:
        if (int c = optionalFirst(a.dateTrashed, b.dateTrashed, ascending)) return c;
        return byNameThenPath(a, b);
      case LeftoverSortKey::kind:
        if (int c = platform::localizedStandardCompare(a.kindLabel, b.kindLabel)) return ascending ? c : -c;
        return byNameThenPath(a, b);
    }
    return 0;
  };
  std::stable_sort(rows.begin(), rows.end(),
                   [&](const LeftoverRow& a, const LeftoverRow& b) { return compare(a, b) < 0; });
  return rows;
}

std::vector<LeftoverRow> arrange(std::vector<LeftoverRow> rows, std::string_view search, LeftoverSortKey sort) {
  return arrange(std::move(rows), search, sort, leftoverSort::defaultDirection(sort));
}

void sortByDefaultOrder(std::vector<LeftoverRow>& rows) {
  std::stable_sort(rows.begin(), rows.end(), [](const LeftoverRow& a, const LeftoverRow& b) {
    if (int c = optionalFirst(a.sizeBytes, b.sizeBytes, /*ascending=*/false)) return c < 0;
    return byNameThenPath(a, b) < 0;
  });
}

}  // namespace LeftoverArranger

namespace SelectionMath {

std::vector<std::string> rangePaths(const std::vector<LeftoverRow>& arranged, const std::optional<std::string>& anchor,
                                    const std::string& target) {
  auto positionOf = [&](const std::string& path) {
    return std::find_if(arranged.begin(), arranged.end(), [&](const LeftoverRow& row) { return row.path == path; });
  };
  auto to = positionOf(target);
  if (to == arranged.end()) return {};
  auto from = anchor ? positionOf(*anchor) : arranged.end();
  if (from == arranged.end()) return {target};
  if (from > to) std::swap(from, to);
  std::vector<std::string> paths;
  for (auto it = from; it <= to; ++it) paths.push_back(it->path);
  return paths;
}

std::set<std::string> pruned(const std::set<std::string>& selection, const std::set<std::string>& present) {
  std::set<std::string> kept;
  std::set_intersection(selection.begin(), selection.end(), present.begin(), present.end(),
                        std::inserter(kept, kept.end()));
  return kept;
}

}  // namespace SelectionMath

}  // namespace corvane
