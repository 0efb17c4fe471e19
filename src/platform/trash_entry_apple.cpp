#include <sys/attr.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "platform/trash_entry.h"

namespace corvane::platform {

Result<std::int64_t> addedToFolderSeconds(const std::string& path) {
  struct attrlist request {};
  request.bitmapcount = ATTR_BIT_MAP_COUNT;
  request.commonattr = ATTR_CMN_RETURNED_ATTRS | ATTR_CMN_ADDEDTIME;
  struct Reply {
    std::uint32_t length;
    attribute_set_t returned;
    struct timespec added;
  } reply {};
  if (::getattrlist(path.c_str(), &request, &reply, sizeof reply, FSOPT_NOFOLLOW) != 0)
    return Error::fromErrno(errno, "getattrlist", path);
  if ((reply.returned.commonattr & ATTR_CMN_ADDEDTIME) == 0) return Error::fromErrno(ENOTSUP, "getattrlist", path);
  return static_cast<std::int64_t>(reply.added.tv_sec);
}

// A cloud file whose content was evicted carries the dataless flag.
bool isDatalessItem(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && (st.st_flags & SF_DATALESS) != 0;
}

}  // namespace corvane::platform
