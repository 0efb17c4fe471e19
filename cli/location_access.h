#pragma once
// Which searched locations can be read: `corvane doctor` lists them; analyze and orphans end with one line
// when some could not be read.

#include <ostream>

#include "corvane/analysis/location_access.h"
#include "report/location_text.h"

namespace corvane::cli {

inline void printUnreadLocations(std::ostream& out, const Layout& layout) {
  out << report::unreadLocationsLine(searchedLocations(layout));
}

}  // namespace corvane::cli
