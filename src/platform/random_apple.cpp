#include <stdlib.h>

#include "platform/random.h"

namespace corvane::platform {

void randomBytes(std::uint8_t* out, std::size_t count) { arc4random_buf(out, count); }

}  // namespace corvane::platform
