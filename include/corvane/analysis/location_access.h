#pragma once
// What can be read on a Mac: each location the analysis searches or the library reads, and whether it is
// readable, missing or denied, so that a miss is never silent.

#include <string>
#include <vector>

#include "corvane/model/layout.h"

namespace corvane {

struct LocationAccess {
  enum class Kind { readable, missing, denied };

  std::string path;  // on this machine
  Kind access = Kind::missing;
  bool operator==(const LocationAccess&) const = default;
};

// Whether the folder can be listed, is not there (or not a folder), or is refused.
LocationAccess::Kind accessOf(const std::string& folder);
// "readable", "missing", "denied".
const char* accessText(LocationAccess::Kind access);

// The analysis's search locations, then the catalogs and the Trash, once each, in that order.
std::vector<LocationAccess> searchedLocations(const Layout& layout);

}  // namespace corvane
