#pragma once
// A listing of the system's background-items database: which store is read (the layout's, or one given),
// for which login scope (the layout's user's, or one given), and what it holds.

#include <optional>
#include <string>

#include "corvane/discovery/background_items_store.h"
#include "corvane/model/layout.h"

namespace corvane {

struct BackgroundItemsListing {
  enum class Kind {
    listed,    // `result` holds what the store says, or why it could not be read
    badScope,  // the scope given is not a scope identifier: nothing was read
    noStore,   // the store given does not exist: nothing was read
  };

  Kind kind = Kind::listed;
  std::string store;                 // the folder read
  std::optional<std::string> scope;  // the login scope whose items are the user's
  BackgroundItemsLoadResult result;
};

// Reads `store` (default: the layout's) for `scope` (default: the layout's user's). A store that is given
// must exist; the layout's own may be missing (the listing then says no store was found).
BackgroundItemsListing listBackgroundItems(const Layout& layout, const std::optional<std::string>& store,
                                           const std::optional<std::string>& scope);

}  // namespace corvane
