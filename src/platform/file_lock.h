#pragma once
// A lock that serialises writers across processes: an exclusive flock on a lock file inside a folder, held
// for as long as the returned descriptor stays open. The lock file is created when missing and never
// removed (removing it would let two writers hold locks on two different files).

#include <chrono>
#include <string>

#include "corvane/base/result.h"
#include "platform/fs_ops.h"

namespace corvane::platform {

// Opens (creating it when missing) `name` relative to the folder at `folder`, read-only (flock needs no
// write access, so a lock file made by another user still locks), never following a link at
// that name, and waits for the exclusive lock on it, at most `wait`: after that it fails with
// EWOULDBLOCK (the holder may be stuck; a caller must be able to give up and say so).
Result<UniqueFd> lockExclusively(const std::string& folder, const std::string& name, std::chrono::milliseconds wait);

// Opens (creating it with mode 0600 when missing) the lock file at `path` read-write, never following a
// final link, and takes the exclusive lock without waiting: fails with EWOULDBLOCK when another open file
// holds it (the descriptor is closed again), or with the errno of open.
Result<UniqueFd> tryLockExclusively(const std::string& path);
// Unlocks and closes a descriptor that tryLockExclusively gave out (release()d from its UniqueFd).
void unlockAndClose(int fd);
// Sleeps for the given time, resuming after signals.
void pauseMicroseconds(unsigned microseconds);

// Unlinks every item of the folder whose name begins with `prefix` that is not a folder (a link is removed
// itself). Missing items are fine; the first other failure is returned after trying the rest.
Status removeItemsWithPrefix(const std::string& folder, const std::string& prefix);

}  // namespace corvane::platform
