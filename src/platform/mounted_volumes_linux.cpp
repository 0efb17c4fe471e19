#include <fstream>
#include <iterator>

#include "platform/mounted_volumes.h"

namespace corvane::platform {

std::optional<std::vector<MountedVolume>> mountedVolumes() {
  std::ifstream in("/proc/self/mountinfo", std::ios::binary);
  if (!in) return std::nullopt;
  std::string text;
  char buffer[65536];
  while (text.size() <= kMaxMountInfoBytes && in.read(buffer, sizeof buffer).gcount() > 0)
    text.append(buffer, static_cast<std::size_t>(in.gcount()));
  return parseMountInfo(text);
}

}  // namespace corvane::platform
