#pragma once
// The short headline and notes shown above a list of leftovers of removed apps, from the findings alone.

#include <string>
#include <vector>

#include "corvane/model/file_finding.h"

namespace corvane {

struct OrphanGuidanceSummary {
  int probablyLeftover = 0;
  int review = 0;
  int inUse = 0;
  std::string headline;             // "3 likely safe to remove · 2 to review"
  std::vector<std::string> points;  // the notes that apply, in a fixed order

  bool operator==(const OrphanGuidanceSummary&) const = default;
};

namespace OrphanGuidance {
OrphanGuidanceSummary summary(const std::vector<FileFinding>& findings);
}  // namespace OrphanGuidance

}  // namespace corvane
