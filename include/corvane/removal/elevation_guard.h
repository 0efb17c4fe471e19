#pragma once
// Which items may be moved to the Trash with administrator rights: only a top-level application bundle
// in the Applications folder (or its Utilities folder) that the user does not own, that exists and that
// is not a symbolic link.

#include <optional>
#include <string>

#include "corvane/model/layout.h"
#include "corvane/base/url.h"

namespace corvane {

struct ElevationCandidate {
  std::string resolvedPath;  // every link resolved, then "." and ".." removed
  bool exists = false;       // the status call that follows links succeeds
  bool isSymlink = false;    // the item itself is a symbolic link
  bool ownedByCurrentUser = false;  // the item (links followed) belongs to the effective user

  bool operator==(const ElevationCandidate&) const = default;
};

namespace ElevationGuard {

inline constexpr const char* kMissing = "The item no longer exists.";
inline constexpr const char* kSymbolicLink = "The item is a symbolic link, so it is not removed with elevated rights.";
inline constexpr const char* kAlreadyOwned = "You already own this item; it does not need administrator rights.";
inline constexpr const char* kMalformedPath = "The item's path is not well-formed.";
inline constexpr const char* kSystemItem = "System items are never removed.";
inline constexpr const char* kOutsideApplications =
    "Only applications under /Applications can be removed with administrator rights here.";
inline constexpr const char* kNotApplicationBundle =
    "Only application bundles can be removed with administrator rights here.";
inline constexpr const char* kNotTopLevel = "Only a top-level application bundle can be removed this way.";

// The item's facts as they are now, read from its path.
ElevationCandidate candidate(const Url& url);

// None when the item may be moved with administrator rights, otherwise the reason (first failing rule).
// "/System/" and "/Applications/" are the layout's (root + "/System/", root + "/Applications/"); with the
// root "/" they are exactly those paths. The layout's root is expected to be free of links.
std::optional<std::string> ineligibilityReason(const ElevationCandidate& candidate, const Layout& layout);

}  // namespace ElevationGuard

}  // namespace corvane
