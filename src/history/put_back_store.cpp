#include <chrono>
#include <string_view>

#include "corvane/history/put_back.h"

namespace corvane {

namespace {

void dropTrailingSlashes(std::string& text, std::size_t keep) {
  while (text.size() > keep && text.back() == '/') text.pop_back();
}

}  // namespace

std::string PutBackInfo::originalPath() const {
  return originalParent == "/" ? "/" + originalName : originalParent + "/" + originalName;
}

PutBackTable PutBackStore::resolve(const std::vector<DSRecord>& records, const std::string& volumeRoot) {
  std::map<std::string, std::string> parents;
  std::map<std::string, std::string> names;
  for (const auto& record : records) {
    if (!record.stringValue) continue;
    if (record.structId == "ptbL")
      parents[record.filename] = *record.stringValue;
    else if (record.structId == "ptbN")
      names[record.filename] = *record.stringValue;
  }
  PutBackTable table;
  for (const auto& [trashName, parent] : parents) {
    const auto name = names.find(trashName);
    table.emplace(trashName, PutBackInfo{trashName, normalizeParent(parent, volumeRoot),
                                         name == names.end() ? trashName : name->second});
  }
  return table;
}

std::string PutBackStore::normalizeParent(const std::string& parent, const std::string& volumeRoot) {
  std::string root = volumeRoot;
  dropTrailingSlashes(root, 1);
  if (root.empty()) root = "/";

  std::string_view rel = parent;
  while (!rel.empty() && rel.front() == '/') rel.remove_prefix(1);
  if (root == "/") {
    // The boot volume's data half is mounted at /System/Volumes/Data and seen at / by everyone else.
    constexpr std::string_view dataVolume = "System/Volumes/Data";
    if (rel.starts_with(dataVolume) && rel.size() > dataVolume.size() && rel[dataVolume.size()] == '/')
      rel.remove_prefix(dataVolume.size() + 1);
    else if (rel == dataVolume)
      rel = {};
  }
  while (!rel.empty() && rel.back() == '/') rel.remove_suffix(1);

  if (root == "/") return "/" + std::string(rel);
  return rel.empty() ? root : root + "/" + std::string(rel);
}

std::optional<PutBackInfo> PutBackStore::infoFrom(const std::string& originalPath, const std::string& trashName) {
  std::string path = originalPath;
  dropTrailingSlashes(path, 1);
  const auto slash = path.rfind('/');
  if (slash == std::string::npos || path == "/") return std::nullopt;
  std::string parent = path.substr(0, slash == 0 ? 1 : slash);
  dropTrailingSlashes(parent, 1);
  std::string name = path.substr(slash + 1);
  if (!parent.starts_with("/") || name.empty()) return std::nullopt;
  return PutBackInfo{trashName, std::move(parent), std::move(name)};
}

std::optional<PutBackInfo> PutBackStore::applicableFallback(const std::string& name, std::optional<Date> dateTrashed,
                                                            const HistoryOrigins& origins) {
  const auto origin = origins.find(name);
  if (origin == origins.end() || !dateTrashed) return std::nullopt;
  const auto apart = (origin->second.trashedAt - *dateTrashed).count();
  if (apart > kFallbackToleranceSeconds || apart < -kFallbackToleranceSeconds) return std::nullopt;
  return infoFrom(origin->second.originalPath, name);
}

}  // namespace corvane
