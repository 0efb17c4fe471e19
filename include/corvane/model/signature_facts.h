#pragma once
// What an application bundle's code signature says about who made it: the signing identifier, the
// signing team and the application groups its entitlements declare.

#include <optional>
#include <string>
#include <vector>

namespace corvane {

struct SignatureFacts {
  // Absent when the bundle is unsigned, cannot be read, or the signature carries no identifier.
  std::optional<std::string> signingIdentifier;
  // Absent when the bundle is unsigned, cannot be read, or the signature records no team.
  std::optional<std::string> teamIdentifier;
  // The values of the entitlement "com.apple.security.application-groups"; empty when there is none.
  std::vector<std::string> applicationGroups;
  // Set only by a validating inspection whose check failed: why the signature does not hold. The other
  // fields are then empty, as for an unsigned bundle.
  std::optional<std::string> validationProblem = std::nullopt;

  bool operator==(const SignatureFacts&) const = default;
};

}  // namespace corvane
