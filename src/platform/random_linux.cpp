#include <sys/random.h>

#include <cerrno>
#include <cstdlib>

#include "platform/random.h"
#include "platform/retry.h"

namespace corvane::platform {

void randomBytes(std::uint8_t* out, std::size_t count) {
  std::size_t done = 0;
  while (done < count) {
    ssize_t n = retryAfterSignal(::getrandom, out + done, count - done, 0u);
    if (n < 0) std::abort();  // the kernel's generator is always there on supported systems
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace corvane::platform
