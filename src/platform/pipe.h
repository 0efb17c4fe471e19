#pragma once
// A pipe whose two ends are close-on-exec from the start, so that a child launched by another thread
// at the same moment never inherits them; and, where the pipe cannot be made so in one call, a spawned
// child that inherits nothing but what it is given.

#include <spawn.h>

#include "corvane/base/result.h"

namespace corvane::platform {

// fds[0] is the read end, fds[1] the write end, neither of them 0, 1 or 2 (when this process runs with a
// standard stream closed, an end that took its number is moved above them, so a child is never handed the
// pipe as its input nor loses its output to it). Fails with the errno.
Status openCloseOnExecPipe(int fds[2]);

// Adds to `flags` and `actions` what limits a spawned child to standard input plus the descriptors the
// file actions give it (macOS: POSIX_SPAWN_CLOEXEC_DEFAULT, as its pipes are made close-on-exec only
// after creation, with standard input inherited when open and /dev/null otherwise). Nothing to add where
// pipes are born close-on-exec. Fails with the errno.
Status limitInheritedDescriptors(short& flags, posix_spawn_file_actions_t* actions);

}  // namespace corvane::platform
