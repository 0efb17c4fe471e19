#include <sys/stat.h>

#include <cerrno>

#include "platform/object_identity.h"

namespace corvane::platform {

Result<ObjectIdentity> objectIdentity(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return Error::fromErrno(errno, "lstat", path);
  return ObjectIdentity{static_cast<std::uint32_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
                        static_cast<std::uint32_t>(st.st_mode) & 0xF000u, 0};
}

}  // namespace corvane::platform
