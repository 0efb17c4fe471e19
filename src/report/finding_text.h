#pragma once
// Words every text report shares about a finding.

#include <string>

#include "corvane/model/finding_kind.h"

namespace corvane::report {

// The tier's name, wrapped in its terminal colour when `colour` (green, yellow, blue, red in tier order).
std::string tierName(FindingConfidence tier, bool colour);

}  // namespace corvane::report
