#include <copyfile.h>

#include "platform/tree_copy.h"

namespace corvane::platform {

Status copyFileContents(int fromFd, int toFd) {
  if (::fcopyfile(fromFd, toFd, nullptr, COPYFILE_DATA | COPYFILE_XATTR) != 0) return Error::fromErrno(errno, "fcopyfile");
  return Ok{};
}

}  // namespace corvane::platform
