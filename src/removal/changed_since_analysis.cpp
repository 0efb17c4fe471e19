#include "corvane/removal/changed_since_analysis.h"

#include "platform/disk_identity.h"

namespace corvane::ChangedSinceAnalysis {

Partition partition(const std::vector<FileFinding>& findings, const IdentityProvider& currentIdentity) {
  Partition result;
  for (const auto& finding : findings) {
    if (!finding.diskIdentity) {
      result.unchanged.push_back(finding);
      continue;
    }
    auto now = currentIdentity(finding.url);
    if (!now) {
      result.refused.push_back(
          TrashOperation::failure(finding.url, kItemMissingDescription, RemovalFailureReason::itemMissing));
    } else if (now->isSameObject(*finding.diskIdentity)) {
      result.unchanged.push_back(finding);
    } else {
      result.refused.push_back(
          TrashOperation::failure(finding.url, kChangedDescription, RemovalFailureReason::changedSinceAnalysis));
    }
  }
  return result;
}

Partition partition(const std::vector<FileFinding>& findings) {
  return partition(findings, [](const Url& at) { return valueIfAny(platform::diskIdentityOf(at)); });
}

}  // namespace corvane::ChangedSinceAnalysis
