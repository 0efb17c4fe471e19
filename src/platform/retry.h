#pragma once
// The one loop that retries a system call interrupted by a signal.

#include <cerrno>

namespace corvane::platform {

// Calls call(args...) again while it fails with -1 and errno EINTR; returns the first other result, errno
// left as that call set it.
template <class F, class... Args>
auto retryAfterSignal(F&& call, Args&&... args) {
  for (;;) {
    auto result = call(args...);
    if (result != -1 || errno != EINTR) return result;
  }
}

}  // namespace corvane::platform
