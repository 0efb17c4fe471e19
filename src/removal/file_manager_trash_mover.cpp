#include "corvane/removal/trash_moving.h"
#include "corvane/removal/trash_service.h"
#include "platform/trash.h"
#include "platform/user.h"
#include "platform/system_layout.h"

namespace corvane {

namespace {

std::string withoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

FileManagerTrashMover::FileManagerTrashMover() : FileManagerTrashMover(platform::systemLayout()) {}

FileManagerTrashMover::FileManagerTrashMover(const Layout& layout)
    : trashFolder_(layout.userTrash()), anchors_{layout.root, layout.home}, systemTrash_(usesSystemTrash(layout)) {}

bool FileManagerTrashMover::usesSystemTrash(const Layout& layout) {
  return platform::systemChoosesTrashFolder() && withoutTrailingSlashes(layout.root) == "/" &&
         withoutTrailingSlashes(layout.home) == withoutTrailingSlashes(platform::homeDirectory());
}

Result<std::optional<Url>> FileManagerTrashMover::moveToTrash(const Url& url) {
  std::string name = url.lastPathComponent();
  auto moved = systemTrash_ ? platform::moveItemToSystemTrash(url.path())
                            : platform::moveItemIntoTrashFolder(url.path(), trashFolder_, anchors_, [&name](std::uint64_t n) {
                                return TrashService::candidateName(name, n);
                              });
  if (!moved.has_value()) return moved.error();
  if (!moved->has_value()) return std::optional<Url>();
  return std::optional<Url>(Url::fileURL(**moved));
}

}  // namespace corvane
