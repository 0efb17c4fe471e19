#include <stdlib.h>
#include <sys/attr.h>
#include <sys/mount.h>
#include <sys/param.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/mounted_volumes.h"

namespace corvane::platform {

namespace {

// What getattrlist writes for ATTR_VOL_NAME: the total length, a reference to the name, then the name.
struct VolumeNameReply {
  u_int32_t length;
  attrreference_t name;
  char bytes[MAXPATHLEN];
} __attribute__((aligned(4), packed));

std::optional<std::string> volumeName(const char* mountPoint) {
  struct attrlist request {};
  request.bitmapcount = ATTR_BIT_MAP_COUNT;
  request.volattr = ATTR_VOL_INFO | ATTR_VOL_NAME;
  VolumeNameReply reply{};
  if (::getattrlist(mountPoint, &request, &reply, sizeof reply, 0) != 0) return std::nullopt;
  // The reference counts from its own address; the name must lie inside what was written, NUL included.
  const std::size_t start = offsetof(VolumeNameReply, name);
  const std::int64_t offset = reply.name.attr_dataoffset;
  const std::int64_t length = reply.name.attr_length;
  const std::int64_t available = static_cast<std::int64_t>(std::min<std::size_t>(reply.length, sizeof reply)) -
                                 static_cast<std::int64_t>(start);
  if (offset < 0 || length < 1 || offset + length > available) return std::nullopt;
  const char* name = reinterpret_cast<const char*>(&reply) + start + offset;
  std::size_t size = ::strnlen(name, static_cast<std::size_t>(length));
  if (size == 0) return std::nullopt;
  return std::string(name, size);
}

}  // namespace

// The mounts and their flags from getmntinfo_r_np (its own buffer, so calls from several threads do not
// share one), with MNT_NOWAIT so no file system is asked anything. Volumes marked "do not browse" are
// hidden and left out. Only local volumes are asked their own name: asking a network volume waits on its
// server, and an unreachable one would stall discovery; network volumes keep no name and the caller picks
// its default.
Result<std::vector<MountedVolume>> mountedVolumes() {
  struct statfs* mounts = nullptr;
  int count = ::getmntinfo_r_np(&mounts, MNT_NOWAIT);
  struct Freed {
    struct statfs* buffer;
    ~Freed() { ::free(buffer); }
  } owner{mounts};
  if (count <= 0 || !mounts) return Error::fromErrno(errno, "getmntinfo_r_np");
  std::vector<MountedVolume> volumes;
  for (int i = 0; i < count; ++i) {
    const struct statfs& m = mounts[i];
    if ((m.f_flags & MNT_DONTBROWSE) != 0) continue;
    MountedVolume v;
    v.mountPoint = m.f_mntonname;
    v.isBrowsable = true;
    v.isLocal = (m.f_flags & MNT_LOCAL) != 0;
    if (*v.isLocal) v.name = volumeName(m.f_mntonname);
    v.isReadOnly = (m.f_flags & MNT_RDONLY) != 0;
    volumes.push_back(std::move(v));
  }
  return volumes;
}

}  // namespace corvane::platform
