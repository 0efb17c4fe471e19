#pragma once
// What `apps` shows: the installed applications as a table, or their names alone.

#include <iosfwd>
#include <vector>

#include "corvane/model/app_identity.h"
#include "corvane/model/layout.h"

namespace corvane::report {

// NAME, VERSION, BUNDLE IDENTIFIER, SYSTEM, PATH (as the Mac `shown` sees it), then the count;
// "No applications found." when there are none.
void printApps(std::ostream& out, const std::vector<InstalledApplication>& apps, const Layout& shown);
// The names, one a line; apps without a name are left out.
void printAppNames(std::ostream& out, const std::vector<InstalledApplication>& apps);

}  // namespace corvane::report
