#pragma once
// What `doctor` shows, and the one line other commands end with when some locations could not be read.

#include <iosfwd>

#include "corvane/model/layout.h"
#include "corvane/uninstall/doctor_check.h"
#include "model/json_value.h"

namespace corvane::report {

json::Json doctorJSON(const DoctorCheck& check, const Layout& layout);
// Paths as the Mac `shown` sees them.
void printDoctor(std::ostream& out, const DoctorCheck& check, const Layout& layout, const Layout& shown);

// "2 searched locations could not be read (see corvane doctor)." when any is denied; nothing otherwise.
void printUnreadLocations(std::ostream& out, const Layout& layout);

}  // namespace corvane::report
