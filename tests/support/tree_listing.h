#pragma once
// A listing of everything under a folder, to check that a destructive step changed nothing but what it
// was asked to: take one before and one after, drop the expected subtrees from the first, compare.

#include <filesystem>
#include <map>
#include <string>

#include "platform/file_status.h"

namespace corvane::test_support {

using TreeListing = std::map<std::string, std::string>;

// Relative path -> "dir", "link -> target" or "file <size> ino <inode>"; links are never followed and
// folders that cannot be read are listed without their contents.
inline TreeListing treeListing(const std::string& root) {
  namespace fs = std::filesystem;
  TreeListing out;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec), end;
       !ec && it != end; it.increment(ec)) {
    std::string& entry = out[it->path().lexically_relative(root).string()];
    const auto st = platform::linkStatus(it->path().string());
    if (!st || st->type() == platform::FileType::other)
      entry = "other";
    else if (st->type() == platform::FileType::symlink)
      entry = "link -> " + fs::read_symlink(it->path(), ec).string();
    else
      entry = st->type() == platform::FileType::directory
                  ? "dir"
                  : "file " + std::to_string(st->size) + " ino " + std::to_string(st->inode);
  }
  return out;
}

// The listing without `prefix` and everything below it.
inline TreeListing withoutSubtree(TreeListing listing, const std::string& prefix) {
  std::erase_if(listing, [&](const auto& e) { return e.first == prefix || e.first.starts_with(prefix + "/"); });
  return listing;
}

}  // namespace corvane::test_support
