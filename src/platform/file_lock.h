#pragma once
// A lock that serialises writers across processes: an exclusive flock on a lock file inside a folder, held
// for as long as the returned descriptor stays open. The lock file is created when missing and never
// removed (removing it would let two writers hold locks on two different files).

#include <string>

#include "corvane/base/result.h"
#include "platform/fs_ops.h"

namespace corvane::platform {

// Opens (creating it when missing) `name` relative to the folder at `folder`, read-only (flock needs no
// write access, so a lock file made by another user still locks), never following a link at
// that name, and waits for the exclusive lock on it.
Result<UniqueFd> lockExclusively(const std::string& folder, const std::string& name);

// Unlinks every item of the folder whose name begins with `prefix` that is not a folder (a link is removed
// itself). Missing items are fine; the first other failure is returned after trying the rest.
Status removeItemsWithPrefix(const std::string& folder, const std::string& prefix);

}  // namespace corvane::platform
