#include <sys/mount.h>
#include <sys/param.h>
#include <sys/ucred.h>

#include "platform/mounted_volumes.h"

namespace corvane::platform {

// getmntinfo reports every mount with its flags; volumes marked "do not browse" are hidden from the user
// and reported as not browsable. The volume name is left to the caller (the mount point's last component).
std::optional<std::vector<MountedVolume>> mountedVolumes() {
  struct statfs* mounts = nullptr;
  int count = ::getmntinfo(&mounts, MNT_NOWAIT);
  if (count <= 0 || !mounts) return std::nullopt;
  std::vector<MountedVolume> volumes;
  for (int i = 0; i < count; ++i) {
    const struct statfs& m = mounts[i];
    MountedVolume v;
    v.mountPoint = m.f_mntonname;
    v.isBrowsable = (m.f_flags & MNT_DONTBROWSE) == 0;
    v.isLocal = (m.f_flags & MNT_LOCAL) != 0;
    v.isReadOnly = (m.f_flags & MNT_RDONLY) != 0;
    volumes.push_back(std::move(v));
  }
  return volumes;
}

}  // namespace corvane::platform
