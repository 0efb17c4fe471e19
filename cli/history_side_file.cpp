#include "cli/history_side_file.h"

#include "corvane/history/history_store.h"
#include "platform/atomic_file.h"
#include "platform/file_io.h"
#include "platform/file_lock.h"
#include "platform/fs_ops.h"

namespace corvane::cli {

namespace {
constexpr std::size_t kMaxSideFileBytes = 4 << 20;
}  // namespace

std::string sideFilePath(const std::string& historyFile, const std::string& kind) {
  return historyFile + "." + kind + ".json";
}

nlohmann::json readSideFile(const std::string& historyFile, const std::string& kind) {
  auto bytes = platform::readFileBytes(sideFilePath(historyFile, kind), kMaxSideFileBytes);
  if (!bytes.has_value()) return nlohmann::json::object();
  auto doc = nlohmann::json::parse(bytes->begin(), bytes->end(), nullptr, /*allow_exceptions=*/false);
  return doc.is_object() ? doc : nlohmann::json::object();
}

bool editSideFile(const std::string& historyFile, const std::string& kind,
                  const std::function<void(nlohmann::json&)>& edit) {
  // The history's own lock, so that two tools at once keep both changes.
  auto split = platform::splitPath(historyFile);
  if (!split) return false;
  auto locked = platform::lockExclusively(split->parent, "." + split->name + ".lock", kHistoryLockWait);
  if (!locked.has_value()) return false;
  nlohmann::json doc = readSideFile(historyFile, kind);
  edit(doc);
  return platform::writeFileAtomically(sideFilePath(historyFile, kind), doc.dump(2) + "\n").has_value();
}

}  // namespace corvane::cli
