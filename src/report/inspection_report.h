#pragma once
// What `inspect` shows of a bundle: its signature, embedded components and installer receipts.

#include <iosfwd>

#include "corvane/discovery/app_inspection.h"
#include "corvane/model/layout.h"
#include "model/json_value.h"

namespace corvane::report {

json::Json inspectionJSON(const AppInspection& inspection);
// Locations as the Mac `shown` sees them.
void printInspection(std::ostream& out, const AppInspection& inspection, const Layout& shown);

}  // namespace corvane::report
