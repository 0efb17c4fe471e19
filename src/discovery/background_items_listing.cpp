#include "corvane/discovery/background_items_listing.h"

#include "corvane/discovery/login_scope_identity.h"
#include "platform/directory.h"

namespace corvane {

BackgroundItemsListing listBackgroundItems(const Layout& layout, const std::optional<std::string>& store,
                                           const std::optional<std::string>& scope) {
  BackgroundItemsListing listing;
  listing.store = store.value_or(layout.backgroundItems());
  listing.scope = scope ? scope : LoginScopeIdentity::currentUserScopeUUID(layout);
  if (scope && !BackgroundItemsStore::matchesUUIDPattern(*scope)) {
    listing.kind = BackgroundItemsListing::Kind::badScope;
  } else if (store && !platform::itemExists(*store)) {
    listing.kind = BackgroundItemsListing::Kind::noStore;
  } else {
    listing.result = BackgroundItemsStore::loadDetailed(listing.store, listing.scope);
  }
  return listing;
}

}  // namespace corvane
