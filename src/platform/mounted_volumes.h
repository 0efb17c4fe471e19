#pragma once
// The volumes mounted on this machine, with what the system says about each. Any value the system does
// not report is left out and the caller picks its own default.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "corvane/base/result.h"

namespace corvane::platform {

struct MountedVolume {
  std::string mountPoint;
  std::optional<std::string> name;
  std::optional<bool> isBrowsable;
  std::optional<bool> isLocal;
  std::optional<bool> isReadOnly;

  bool operator==(const MountedVolume&) const = default;
};

// The mounted volumes in the system's order, hidden volumes (kernel pseudo file systems on Linux) left
// out; fails with the errno when the system cannot be asked.
Result<std::vector<MountedVolume>> mountedVolumes();

// Reading Linux's /proc/self/mountinfo: one volume per well-formed line, pseudo file systems left out,
// malformed lines skipped. Mount points are unescaped ("\040" is a blank). Linux reports no volume names.
inline constexpr std::size_t kMaxMountInfoBytes = 4u << 20;
inline constexpr std::size_t kMaxMountInfoLines = 100000;
std::vector<MountedVolume> parseMountInfo(std::string_view text);

}  // namespace corvane::platform
