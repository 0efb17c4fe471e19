#pragma once
// What the tool can read on a Mac: each location it searches or reads, and whether it is readable,
// missing or denied. `corvane doctor` lists them; analyze and orphans end with one line when some could
// not be read, so that a miss is never silent.

#include <iosfwd>
#include <string>
#include <vector>

#include "corvane/model/layout.h"

namespace corvane::cli {

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

// "2 searched locations could not be read (see corvane doctor)." when any is denied; nothing otherwise.
void printUnreadLocations(std::ostream& out, const Layout& layout);

}  // namespace corvane::cli
