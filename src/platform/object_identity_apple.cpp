#include <sys/stat.h>

#include "platform/object_identity.h"

namespace corvane::platform {

std::optional<ObjectIdentity> objectIdentity(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return std::nullopt;
  return ObjectIdentity{static_cast<std::uint32_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
                        static_cast<std::uint32_t>(st.st_mode) & 0xF000u, 0};
}

std::optional<ObjectIdentity> objectIdentity(const std::string& path, FileStatus& status) {
  auto seen = linkStatus(path);
  if (!seen) return std::nullopt;
  status = *seen;
  return ObjectIdentity{seen->device, seen->inode, seen->mode & 0xF000u, 0};
}

}  // namespace corvane::platform
