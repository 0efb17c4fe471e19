#pragma once
// Where the current user's Trash folders are: the home Trash, and the per-user Trash folder of each
// qualifying attached volume. Everything comes from the layout, so a copied Mac tree has its own Trash.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "corvane/model/layout.h"

namespace corvane {

class TrashLocator {
 public:
  struct Root {
    std::string path;        // absolute, fully resolved path of the Trash folder
    std::string volumeRoot;  // "/" for the home Trash; the volume's mount point (a host path) otherwise
    bool isHome = false;

    bool operator==(const Root&) const = default;
  };

  // The mount points of the qualifying external volumes, in order. The default asks app discovery
  // (mounted volumes of the live system, or the folders under the layout's Volumes folder).
  using MountPointLister = std::function<std::vector<std::string>()>;

  explicit TrashLocator(Layout layout, MountPointLister mountPoints = {});

  // The home Trash first (none at all when the home has no resolvable .Trash), then each volume's
  // ".Trashes/<uid>" that resolves to itself, is a real folder and is owned by the layout's user.
  std::vector<Root> discoverRoots() const;
  // The path of each discovered root, in the same order.
  std::vector<std::string> discoverTrashRoots() const;
  std::vector<std::string> externalVolumeMountPoints() const;

  // The first root that strictly contains the path (lexically), or none.
  static std::optional<Root> root(const std::string& containing, const std::vector<Root>& in);
  // realpath: links, "." and ".." resolved; none when the path cannot be resolved.
  static std::optional<std::string> resolvedRealPath(const std::string& path);

  const Layout& layout() const { return layout_; }

 private:
  Layout layout_;
  MountPointLister mountPoints_;
};

}  // namespace corvane
