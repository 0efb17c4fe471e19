#include <unistd.h>

#include "platform/link_target.h"

namespace corvane::platform {

std::optional<std::string> linkTarget(const std::string& path) {
  std::string buffer(kMaxLinkTargetBytes + 1, '\0');
  ssize_t length = ::readlink(path.c_str(), buffer.data(), buffer.size());
  if (length <= 0 || static_cast<std::size_t>(length) > kMaxLinkTargetBytes) return std::nullopt;
  buffer.resize(static_cast<std::size_t>(length));
  return buffer;
}

}  // namespace corvane::platform
