#include "platform/descriptor_ops.h"

namespace corvane::platform {

// Linux keeps no BSD file flags: there is nothing to clear.
int setFlagsAt(int, const std::string&, bool, std::uint32_t) { return 0; }

}  // namespace corvane::platform
