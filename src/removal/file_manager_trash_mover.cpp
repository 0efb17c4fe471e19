#include "corvane/trash_moving.h"
#include "corvane/trash_service.h"
#include "platform/trash.h"

namespace corvane {

FileManagerTrashMover::FileManagerTrashMover() : FileManagerTrashMover(Layout::system()) {}

FileManagerTrashMover::FileManagerTrashMover(const Layout& layout) : trashFolder_(layout.userTrash()) {}

Result<std::optional<Url>> FileManagerTrashMover::moveToTrash(const Url& url) {
  std::string name = url.lastPathComponent();
  auto moved = platform::moveItemToTrash(url.path(), trashFolder_, [&name](std::uint64_t n) {
    return TrashService::candidateName(name, n);
  });
  if (!moved.has_value()) return moved.error();
  if (!moved->has_value()) return std::optional<Url>();
  return std::optional<Url>(Url::fileURL(**moved));
}

}  // namespace corvane
