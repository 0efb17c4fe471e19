#pragma once
// Listing a folder that may hold more entries than a caller is willing to look at.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace corvane::platform {

struct BoundedListing {
  std::vector<std::string> names;  // visible entries in the order the system gives them
  bool exceeded = false;           // a further visible entry exists beyond `maxEntries`
  bool operator==(const BoundedListing&) const = default;
};

// The names of the visible entries of a folder (hidden items left out, as isHiddenItem decides), at most
// `maxEntries` of them; reading stops at the first entry beyond that. None when the folder cannot be
// listed.
std::optional<BoundedListing> listVisibleEntries(const std::string& folder, std::size_t maxEntries);

}  // namespace corvane::platform
