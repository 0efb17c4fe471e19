#pragma once
// The locations' access for the commands: read by the library, the one-line warning written by the report.

#include "corvane/analysis/location_access.h"
#include "report/doctor_report.h"

namespace corvane::cli {

using report::printUnreadLocations;

}  // namespace corvane::cli
