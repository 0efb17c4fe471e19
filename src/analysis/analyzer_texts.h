#pragma once
// Sentences the analyzer adds to findings, and the age note built from the single age constants.

#include <optional>

#include "corvane/base/date.h"
#include "corvane/model/file_finding.h"

namespace corvane::texts {

inline constexpr const char* kSelectedApplication = "This is the application bundle you selected.";
inline constexpr const char* kRunning = "The application is currently running, so removal is blocked.";
inline constexpr const char* kAdministratorApproval =
    "macOS needs an administrator to remove this item. It will be moved to the Trash (recoverable) after you "
    "approve the administrator prompt.";
inline constexpr const char* kSystemComponent =
    "This is a system-level component. macOS requires an administrator to remove it, so it is shown for review "
    "only and cannot be selected here.";
inline constexpr const char* kSharedOwnership =
    "Another installed app also matches this item, so it is held at Review only.";
inline constexpr const char* kApplicationGroup =
    "The app declares this group container in its application-groups entitlement.";

// "Not modified for about N days; age is supporting evidence only." once the item is old enough.
std::optional<MatchEvidence> ageEvidence(const std::optional<Date>& modifiedAt, Date now);

}  // namespace corvane::texts
