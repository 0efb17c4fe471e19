#pragma once
// The text stored in a symbolic link.

#include <cstddef>
#include <optional>
#include <string>

namespace corvane::platform {

// Link targets longer than this are not read.
inline constexpr std::size_t kMaxLinkTargetBytes = 4096;

// readlink: the target exactly as stored (not resolved); none when the item is not a link, cannot be
// read, or its target is empty or longer than kMaxLinkTargetBytes.
std::optional<std::string> linkTarget(const std::string& path);

}  // namespace corvane::platform
