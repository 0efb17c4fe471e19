#pragma once
// A listing of everything under a folder, to check that a destructive step changed nothing but what it
// was asked to: take one before, one after, remove the expected entries from the first and compare.

#include <filesystem>
#include <map>
#include <string>
#include <system_error>

#include "platform/file_status.h"

namespace corvane::test_support {

// Relative path -> "dir", "link -> target" or "file <size> ino <inode>"; links are never followed and
// folders that cannot be read are listed without their contents.
inline std::map<std::string, std::string> treeListing(const std::string& root) {
  namespace fs = std::filesystem;
  std::map<std::string, std::string> out;
  std::error_code ec;
  fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    const fs::path& path = it->path();
    const std::string relative = path.lexically_relative(root).string();
    const fs::file_status status = it->symlink_status(ec);
    if (ec) break;
    if (fs::is_symlink(status)) {
      out[relative] = "link -> " + fs::read_symlink(path, ec).string();
    } else if (fs::is_directory(status)) {
      out[relative] = "dir";
    } else {
      const auto st = platform::linkStatus(path.string());
      out[relative] = st ? "file " + std::to_string(st->size) + " ino " + std::to_string(st->inode) : "file ?";
    }
  }
  return out;
}

// The entries of a listing other than `prefix` itself and everything below it.
inline std::map<std::string, std::string> withoutSubtree(std::map<std::string, std::string> listing,
                                                         const std::string& prefix) {
  for (auto it = listing.begin(); it != listing.end();) {
    const bool below = it->first == prefix || it->first.rfind(prefix + "/", 0) == 0;
    it = below ? listing.erase(it) : std::next(it);
  }
  return listing;
}

}  // namespace corvane::test_support
