#include <sys/attr.h>
#include <unistd.h>

#include <cerrno>

#include "platform/descriptor_ops.h"
#include "platform/retry.h"

namespace corvane::platform {

// The flags are set through the folder, never by opening the item: opening a named pipe waits for a
// writer, a socket cannot be opened, and an item without read permission refuses it.
Status setFlagsAt(int dirFd, const std::string& name, bool, std::uint32_t flags) {
  struct attrlist request {};
  request.bitmapcount = ATTR_BIT_MAP_COUNT;
  request.commonattr = ATTR_CMN_FLAGS;
  std::uint32_t value = flags;  // setattrlist takes the values alone, without a leading length
  if (retryAfterSignal(::setattrlistat, dirFd, name.c_str(), &request, &value, sizeof value,
                       static_cast<std::uint32_t>(FSOPT_NOFOLLOW)) != 0)
    return Error::fromErrno(errno, "setattrlistat", name);
  return Ok{};
}

}  // namespace corvane::platform
