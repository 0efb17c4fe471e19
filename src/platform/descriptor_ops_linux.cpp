#include "platform/descriptor_ops.h"

namespace corvane::platform {

// Linux keeps no BSD file flags: there is nothing to clear.
Status setFlagsAt(int, const std::string&, bool, std::uint32_t) { return Ok{}; }

}  // namespace corvane::platform
