#pragma once
// What `doctor` shows.

#include <iosfwd>

#include "corvane/model/layout.h"
#include "corvane/uninstall/doctor_check.h"
#include "model/json_value.h"

namespace corvane::report {

json::Json doctorJSON(const DoctorCheck& check, const Layout& layout);
// Paths as the Mac `shown` sees them.
void printDoctor(std::ostream& out, const DoctorCheck& check, const Layout& layout, const Layout& shown);

}  // namespace corvane::report
