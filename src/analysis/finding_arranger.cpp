#include "corvane/analysis/finding_arranger.h"

#include <algorithm>
#include <cstddef>
#include <string>

#include "platform/unicode.h"

namespace corvane {

namespace {

struct KeyEntry {
  FindingSortKey key;
  std::string_view value;
  std::string_view label;
  FindingSortDirection defaultDirection;
};

constexpr KeyEntry kKeys[] = {
    {FindingSortKey::recommended, "recommended", "Recommended", FindingSortDirection::descending},
    {FindingSortKey::name, "name", "Name", FindingSortDirection::ascending},
    {FindingSortKey::size, "size", "Size", FindingSortDirection::descending},
    {FindingSortKey::dateModified, "dateModified", "Date modified", FindingSortDirection::descending},
};

const KeyEntry& entry(FindingSortKey key) { return kKeys[static_cast<std::size_t>(key)]; }

// What the comparisons read, worked out once per finding.
struct SortItem {
  std::size_t index;
  std::string name;
  std::string path;
};

// -1, 0 or 1 for an ascending comparison of two values.
template <class T>
int order(const T& a, const T& b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

}  // namespace

const std::array<FindingSortKey, 4> kAllFindingSortKeys = {FindingSortKey::recommended, FindingSortKey::name,
                                                           FindingSortKey::size, FindingSortKey::dateModified};
const std::array<FindingSortDirection, 2> kAllFindingSortDirections = {FindingSortDirection::ascending,
                                                                       FindingSortDirection::descending};

std::string_view stringValue(FindingSortKey key) { return entry(key).value; }
std::string_view label(FindingSortKey key) { return entry(key).label; }
FindingSortDirection defaultDirection(FindingSortKey key) { return entry(key).defaultDirection; }

std::optional<FindingSortKey> findingSortKeyFromString(std::string_view value) {
  for (const auto& e : kKeys)
    if (e.value == value) return e.key;
  return std::nullopt;
}

std::string_view stringValue(FindingSortDirection direction) {
  return direction == FindingSortDirection::ascending ? "ascending" : "descending";
}

FindingSortDirection flipped(FindingSortDirection direction) {
  return direction == FindingSortDirection::ascending ? FindingSortDirection::descending
                                                      : FindingSortDirection::ascending;
}

std::optional<FindingSortDirection> findingSortDirectionFromString(std::string_view value) {
  if (value == "ascending") return FindingSortDirection::ascending;
  if (value == "descending") return FindingSortDirection::descending;
  return std::nullopt;
}

namespace FindingArranger {

std::vector<FileFinding> arrange(std::vector<FileFinding> findings, FindingSortKey sort,
                                 FindingSortDirection direction) {
  std::vector<SortItem> items;
  items.reserve(findings.size());
  for (std::size_t i = 0; i < findings.size(); ++i)
    items.push_back({i, findings[i].name(), findings[i].url.path()});

  const bool ascending = direction == FindingSortDirection::ascending;
  // Applies the direction to an ascending comparison: true when a comes first.
  auto directed = [ascending](int ascendingOrder) { return ascending ? ascendingOrder < 0 : ascendingOrder > 0; };
  auto byNameThenPath = [](const SortItem& a, const SortItem& b) {
    int names = platform::localizedCaseInsensitiveCompare(a.name, b.name);
    if (names != 0) return names < 0;
    return a.path < b.path;
  };
  // Present values first in both directions, then by value in the direction, then name and path.
  auto byOptional = [&](const auto& a, const auto& b, const SortItem& x, const SortItem& y) {
    if (a.has_value() != b.has_value()) return a.has_value();
    if (a && *a != *b) return directed(order(*a, *b));
    return byNameThenPath(x, y);
  };

  auto before = [&](const SortItem& x, const SortItem& y) -> bool {
    const FileFinding& a = findings[x.index];
    const FileFinding& b = findings[y.index];
    switch (sort) {
      case FindingSortKey::recommended:
        if (a.confidence != b.confidence) return directed(order(rank(a.confidence), rank(b.confidence)));
        if (a.score != b.score) return directed(order(a.score, b.score));
        return x.path < y.path;
      case FindingSortKey::name: {
        int names = platform::localizedCaseInsensitiveCompare(x.name, y.name);
        if (names != 0) return directed(names);
        return x.path < y.path;
      }
      case FindingSortKey::size:
        return byOptional(a.byteCount, b.byteCount, x, y);
      case FindingSortKey::dateModified:
        return byOptional(a.modifiedAt, b.modifiedAt, x, y);
    }
    return false;
  };
  std::stable_sort(items.begin(), items.end(), before);

  std::vector<FileFinding> out;
  out.reserve(findings.size());
  for (const auto& item : items) out.push_back(std::move(findings[item.index]));
  return out;
}

}  // namespace FindingArranger

}  // namespace corvane
