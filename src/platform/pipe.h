#pragma once
// A pipe whose two ends are close-on-exec from the start, so that a child launched by another thread
// at the same moment never inherits them.

namespace corvane::platform {

// fds[0] is the read end, fds[1] the write end. Returns 0, or errno on failure.
int openCloseOnExecPipe(int fds[2]);

}  // namespace corvane::platform
