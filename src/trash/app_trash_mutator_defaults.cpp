// The machine's collaborators of the Trash row actions, kept apart so that a mutator built with its own
// collaborators does not bring the real remover and scanner along.

#include "corvane/trash/app_trash_mutator.h"
#include "corvane/trash/leftovers_scanner.h"

namespace corvane {

AppTrashMutator::AppTrashMutator(Layout layout) : AppTrashMutator(std::move(layout), Notice{}) {}

AppTrashMutator::AppTrashMutator(Layout layout, Notice notice) : layout_(std::move(layout)) {
  collaborators_.roots = [locator = TrashLocator(layout_)] { return locator.discoverRoots(); };
  collaborators_.remove = &FSMutator::deleteItem;
  auto restoring = RestoreExecutor::forLayout(layout_);
  restoring.notice = std::move(notice);
  collaborators_.restore = [executor = RestoreExecutor(std::move(restoring))](const std::string& sourcePath, const PutBackInfo& putBack,
                                                          const std::vector<std::string>& roots, bool forceCopy) {
    return executor.restore(sourcePath, putBack, roots, forceCopy);
  };
  collaborators_.loadPutBack = [scanner = LeftoversScanner(layout_)](const std::string& trashRoot,
                                                                     const std::string& volumeRoot) {
    return scanner.loadPutBack(trashRoot, volumeRoot);
  };
}

}  // namespace corvane
