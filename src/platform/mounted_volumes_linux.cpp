#include <cerrno>
#include <fstream>
#include <iterator>

#include "platform/mounted_volumes.h"

namespace corvane::platform {

Result<std::vector<MountedVolume>> mountedVolumes() {
  constexpr const char* kMountInfo = "/proc/self/mountinfo";
  std::ifstream in(kMountInfo, std::ios::binary);
  if (!in) return Error::fromErrno(errno, "open", kMountInfo);
  std::string text;
  char buffer[65536];
  while (text.size() <= kMaxMountInfoBytes && in.read(buffer, sizeof buffer).gcount() > 0)
    text.append(buffer, static_cast<std::size_t>(in.gcount()));
  return parseMountInfo(text);
}

}  // namespace corvane::platform
