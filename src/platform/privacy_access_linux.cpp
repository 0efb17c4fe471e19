#include "platform/privacy_access.h"

namespace corvane::platform {

std::optional<std::string> privacyAccessHint() { return std::nullopt; }

}  // namespace corvane::platform
