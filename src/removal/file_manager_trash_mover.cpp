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

FileManagerTrashMover::FileManagerTrashMover(const Layout& layout) {
  move = [trashFolder = layout.userTrash(), anchors = std::vector<std::string>{layout.root, layout.home},
          systemTrash = usesSystemTrash(layout)](const Url& url) -> Result<std::optional<Url>> {
    std::string name = url.lastPathComponent();
    auto moved = systemTrash ? platform::moveItemToSystemTrash(url.path())
                             : platform::moveItemIntoTrashFolder(url.path(), trashFolder, anchors, [&name](std::uint64_t n) {
                                 return TrashService::candidateName(name, n);
                               });
    if (!moved.has_value()) return moved.error();
    if (!moved->has_value()) return std::optional<Url>();
    return std::optional<Url>(Url::fileURL(**moved));
  };
}

bool FileManagerTrashMover::usesSystemTrash(const Layout& layout) {
  return platform::systemChoosesTrashFolder() && withoutTrailingSlashes(layout.root) == "/" &&
         withoutTrailingSlashes(layout.home) == withoutTrailingSlashes(platform::homeDirectory());
}

}  // namespace corvane
