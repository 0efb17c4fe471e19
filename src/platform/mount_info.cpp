// The text format of Linux's /proc/self/mountinfo; pure parsing, so it is built on every system.

#include <algorithm>
#include <array>

#include "platform/mounted_volumes.h"

namespace corvane::platform {

namespace {

// Kernel file systems that are not volumes a person attaches or browses.
constexpr std::array<std::string_view, 20> kPseudoFileSystems = {
    "proc", "sysfs", "devtmpfs", "devpts", "cgroup", "cgroup2", "securityfs", "debugfs", "tracefs", "mqueue",
    "pstore", "bpf", "configfs", "fusectl", "hugetlbfs", "autofs", "binfmt_misc", "nsfs", "efivarfs",
    "rpc_pipefs"};

constexpr std::array<std::string_view, 13> kNetworkFileSystems = {
    "nfs", "nfs4", "cifs", "smb3", "smbfs", "ncpfs", "afs", "ceph", "glusterfs", "9p", "fuse.sshfs", "davfs",
    "fuse.rclone"};

std::vector<std::string_view> split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(separator, start);
    if (end == std::string_view::npos) end = text.size();
    parts.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

// Undoes the kernel's octal escapes ("\040"); a malformed escape is kept as written.
std::string unescaped(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && field.size() - i > 3) {
      bool octal = true;
      int value = 0;
      for (std::size_t k = 1; k <= 3; ++k) {
        char c = field[i + k];
        if (c < '0' || c > '7') octal = false;
        value = value * 8 + (c - '0');
      }
      if (octal && value < 256) {
        out.push_back(static_cast<char>(value));
        i += 3;
        continue;
      }
    }
    out.push_back(field[i]);
  }
  return out;
}

bool hasOption(std::string_view options, std::string_view option) {
  for (auto o : split(options, ','))
    if (o == option) return true;
  return false;
}

}  // namespace

std::vector<MountedVolume> parseMountInfo(std::string_view text) {
  std::vector<MountedVolume> volumes;
  if (text.size() > kMaxMountInfoBytes) text = text.substr(0, kMaxMountInfoBytes);
  std::size_t lines = 0;
  for (std::string_view line : split(text, '\n')) {
    if (++lines > kMaxMountInfoLines) break;
    if (line.empty()) continue;
    // id parent major:minor root mount-point options [optional fields...] - type source super-options
    std::vector<std::string_view> fields;
    for (auto f : split(line, ' '))
      if (!f.empty()) fields.push_back(f);
    auto dash = std::find(fields.begin(), fields.end(), std::string_view("-"));
    if (fields.size() < 6 || dash == fields.end() || dash - fields.begin() < 6 || fields.end() - dash < 2) continue;
    std::string_view type = *(dash + 1);
    if (std::find(kPseudoFileSystems.begin(), kPseudoFileSystems.end(), type) != kPseudoFileSystems.end())
      continue;
    std::string mountPoint = unescaped(fields[4]);
    if (mountPoint.empty() || mountPoint.front() != '/') continue;
    bool readOnly = hasOption(fields[5], "ro") || (fields.end() - dash >= 4 && hasOption(*(dash + 3), "ro"));
    bool network = std::find(kNetworkFileSystems.begin(), kNetworkFileSystems.end(), type) !=
                   kNetworkFileSystems.end();
    volumes.push_back(MountedVolume{std::move(mountPoint), std::nullopt, true, !network, readOnly});
  }
  return volumes;
}

}  // namespace corvane::platform
