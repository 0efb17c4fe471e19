#pragma once
// What can be read on a Mac: each location the analysis searches or reads, and whether it is readable,
// missing or denied, so that a miss is never silent.

#include <string>
#include <vector>

#include "corvane/model/layout.h"

namespace corvane {

enum class Access { readable, missing, denied };

struct LocationAccess {
  std::string path;  // on this machine
  Access access = Access::missing;
  bool operator==(const LocationAccess&) const = default;
};

Access accessOf(const std::string& folder);
// "readable", "missing", "denied".
const char* accessText(Access access);

// The analysis's search locations, then the catalogs and the Trash, once each, in that order.
std::vector<LocationAccess> searchedLocations(const Layout& layout);

}  // namespace corvane
