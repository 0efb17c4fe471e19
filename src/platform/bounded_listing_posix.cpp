#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <memory>

#include "platform/bounded_listing.h"
#include "platform/directory_walk.h"

namespace corvane::platform {

std::optional<BoundedListing> listVisibleEntries(const std::string& folder, std::size_t maxEntries) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  DIR* dir = ::fdopendir(fd);
  if (!dir) {
    ::close(fd);
    return std::nullopt;
  }
  std::unique_ptr<DIR, int (*)(DIR*)> closer(dir, ::closedir);
  BoundedListing listing;
  while (const dirent* e = ::readdir(dir)) {
    std::string name = e->d_name;
    if (name == "." || name == ".." || isHiddenItem(folder, name)) continue;
    if (listing.names.size() == maxEntries) {
      listing.exceeded = true;
      break;
    }
    listing.names.push_back(std::move(name));
  }
  return listing;
}

}  // namespace corvane::platform
