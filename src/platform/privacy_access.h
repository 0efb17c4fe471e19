#pragma once
// What the system asks of a terminal before it may read protected folders.

#include <optional>
#include <string>

namespace corvane::platform {

// The sentence telling where the terminal is given access to folders that are denied to it; none where
// the system has no such setting.
std::optional<std::string> privacyAccessHint();

}  // namespace corvane::platform
