#include "corvane/history_store.h"

#include "platform/atomic_file.h"
#include "platform/file_io.h"
#include "platform/fs_ops.h"

namespace corvane {

HistoryFileManager HistoryFileManager::system() {
  HistoryFileManager manager;
  manager.readFile = [](const std::string& path) -> Result<std::string> {
    auto bytes = platform::readFileBytes(path, kMaxHistoryFileBytes);
    if (!bytes.has_value()) return bytes.error();
    return std::string(bytes->begin(), bytes->end());
  };
  manager.createFolders = [](const std::string& path) { return platform::createDirectories(path); };
  manager.writeAtomically = [](const std::string& path, const std::string& bytes) {
    return platform::writeFileAtomically(path, bytes);
  };
  manager.moveExclusive = [](const std::string& from, const std::string& to) {
    return platform::renameExclusive(from, to);
  };
  manager.now = [] { return date::now(); };
  return manager;
}

}  // namespace corvane
