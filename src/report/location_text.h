#pragma once
// The one line that says some searched locations could not be read.

#include <string>
#include <vector>

#include "corvane/analysis/location_access.h"

namespace corvane::report {

// "2 searched locations could not be read (see corvane doctor).\n" when any is denied; "" otherwise.
std::string unreadLocationsLine(const std::vector<LocationAccess>& locations);

}  // namespace corvane::report
