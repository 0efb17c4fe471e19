#pragma once
// A fingerprint of everything under a folder to compare before and after: each entry's kind, permission
// bits, size and a hash of its content (a link's target). Links are never followed.

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

namespace corvane::test_support {

using TreeFingerprint = std::map<std::string, std::string>;

inline std::uint64_t contentHash(const std::string& bytes) {
  std::uint64_t hash = 1469598103934665603ULL;  // FNV-1a
  for (unsigned char c : bytes) hash = (hash ^ c) * 1099511628211ULL;
  return hash;
}

inline TreeFingerprint treeFingerprint(const std::string& root) {
  namespace fs = std::filesystem;
  TreeFingerprint out;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
    struct stat st {};
    if (::lstat(it->path().c_str(), &st) != 0) continue;
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
    std::string entry;
    if (S_ISLNK(st.st_mode)) {
      entry = "link -> " + fs::read_symlink(it->path(), ec).string();
    } else if (S_ISDIR(st.st_mode)) {
      entry = std::string("dir ") + mode;
    } else {
      std::ifstream in(it->path(), std::ios::binary);
      const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
      entry = std::string("file ") + mode + " " + std::to_string(st.st_size) + " " + std::to_string(contentHash(bytes));
    }
    out[it->path().lexically_relative(root).string()] = entry;
  }
  return out;
}

}  // namespace corvane::test_support
