#include "corvane/platform/file_system.h"

namespace corvane::platform {

// Linux has no hidden flag: only the leading dot hides an item.
bool isHiddenItem(const std::string&, const std::string& name) { return !name.empty() && name[0] == '.'; }

}  // namespace corvane::platform
