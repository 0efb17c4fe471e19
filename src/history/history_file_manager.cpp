#include "corvane/history/history_store.h"

#include <cerrno>
#include <memory>

#include "platform/atomic_file.h"
#include "corvane/platform/file_system.h"
#include "platform/file_lock.h"
#include "platform/fs_ops.h"

namespace corvane {

HistoryFileManager HistoryFileManager::system(std::chrono::milliseconds lockWait) {
  HistoryFileManager manager;
  const platform::FileSystem* fs = &platform::realFileSystem();
  manager.readFile = [fs](const std::string& path) -> Result<std::string> {
    auto bytes = fs->readFile(path, kMaxHistoryFileBytes);
    if (!bytes.has_value()) return bytes.error();
    return std::string(reinterpret_cast<const char*>(bytes->data()), bytes->size());
  };
  manager.createFolders = [](const std::string& path) { return platform::createDirectories(path); };
  manager.writeAtomically = [](const std::string& path, const std::string& bytes) {
    return platform::writeFileAtomically(path, bytes);
  };
  manager.moveExclusive = [fs](const std::string& from, const std::string& to) { return fs->renameExclusive(from, to); };
  manager.now = [] { return date::now(); };
  // ".history.json.lock" and ".history.json.tmp-*" beside "history.json" (the atomic write's temporaries).
  manager.lock = [lockWait](const std::string& path) -> Result<std::shared_ptr<void>> {
    auto split = platform::splitPath(path);
    if (!split) return Error::fromErrno(EINVAL, "lock", path);
    auto fd = platform::lockExclusively(split->parent, "." + split->name + ".lock", lockWait);
    if (!fd.has_value()) return fd.error();
    return std::shared_ptr<void>(std::make_shared<platform::UniqueFd>(std::move(fd).value()));
  };
  manager.checkFolderWritable = [](const std::string& path) -> Status {
    if (platform::isWritable(path)) return Ok{};
    return Error::fromErrno(errno, "write", path);
  };
  manager.removeLeftoverTemporaries = [](const std::string& path) {
    if (auto split = platform::splitPath(path))
      (void)platform::removeItemsWithPrefix(split->parent, "." + split->name + ".tmp-");
  };
  return manager;
}

}  // namespace corvane
