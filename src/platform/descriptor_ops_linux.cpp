#include "platform/descriptor_flags.h"
#include "platform/descriptor_ops.h"

namespace corvane::platform {

// Linux keeps no BSD file flags: no item is ever locked, and there is nothing to clear.
std::uint32_t statFlags(const struct ::stat&) { return 0; }

int setFlagsAt(int, const std::string&, bool, std::uint32_t) { return 0; }

}  // namespace corvane::platform
