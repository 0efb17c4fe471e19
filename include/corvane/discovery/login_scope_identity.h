#pragma once
// The current user's scope in the background-items database: the generated unique identifier of the
// user's account record, upper-case.

#include <optional>
#include <string>

#include "corvane/model/layout.h"

namespace corvane::LoginScopeIdentity {

// Asks the system for the current user's identifier; none when the system has no such record, when the
// lookup fails or when the answer is not a well-formed identifier.
std::optional<std::string> resolveCurrentUserScopeUUID();

// resolveCurrentUserScopeUUID, asked once per process on first use (also when first asked from several
// threads at once) and kept.
const std::optional<std::string>& currentUserScopeUUID();

// The layout's login scope when it names one (a copied or sample Mac), else currentUserScopeUUID().
std::optional<std::string> currentUserScopeUUID(const Layout& layout);

}  // namespace corvane::LoginScopeIdentity
