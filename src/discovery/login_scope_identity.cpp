#include "corvane/discovery/login_scope_identity.h"

#include "corvane/discovery/background_items_store.h"
#include "corvane/base/uuid.h"
#include "discovery/scope_text.h"
#include "platform/login_scope.h"

namespace corvane::LoginScopeIdentity {

std::optional<std::string> resolveCurrentUserScopeUUID() {
  auto guid = platform::currentUserGUID();
  if (!guid.has_value()) return std::nullopt;
  std::string text = discovery::upperCasedASCII(Uuid(*guid).toString());
  if (!BackgroundItemsStore::matchesUUIDPattern(text)) return std::nullopt;
  return text;
}

const std::optional<std::string>& currentUserScopeUUID() {
  // Initialised once, thread-safely, on first use.
  static const std::optional<std::string> scope = resolveCurrentUserScopeUUID();
  return scope;
}

std::optional<std::string> currentUserScopeUUID(const Layout& layout) {
  if (layout.loginScope) return layout.loginScope->toString();
  return currentUserScopeUUID();
}

}  // namespace corvane::LoginScopeIdentity
