#pragma once
// The walk of a file system that has no descriptors (one held in memory): pre-order over a stack of
// listed folders, within the limits. The machine's own file system walks with the tree engine instead.

#include <cerrno>
#include <algorithm>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "corvane/platform/file_system.h"

namespace corvane::platform {

inline std::string childPath(const std::string& folder, const std::string& name) {
  return !folder.empty() && folder.back() == '/' ? folder + name : folder + "/" + name;
}

// `Folder` is one listed folder as the walk holds it: at least its `path` and its `entries`.
// `statusOf(folder, entry, path)` reads an entry's status without following it; `openChild(folder, entry,
// path)` lists the child folder, as a Result<Folder>. A folder that will not list is passed over.
template <class Folder, class StatusOf, class OpenChild>
void walkFolders(Folder top, const WalkLimits& limits, const WalkVisitor& visit, StatusOf&& statusOf,
                 OpenChild&& openChild) {
  struct Frame {
    Folder folder;
    std::size_t next = 0;
  };
  const std::size_t maxDepth = std::min(limits.maxDepth, kMaxWalkDepth);
  std::vector<Frame> stack;
  stack.push_back(Frame{std::move(top)});
  while (!stack.empty()) {
    Frame& frame = stack.back();
    if (frame.next >= frame.folder.entries.size()) {
      stack.pop_back();
      continue;
    }
    const FolderEntry& entry = frame.folder.entries[frame.next++];
    WalkItem item{childPath(frame.folder.path, entry.name), entry.name, entry.type, stack.size(), std::nullopt};
    if (limits.withStatus) item.status = statusOf(frame.folder, entry, item.path);
    const WalkStep step = visit(item);
    if (step == WalkStep::stop) break;
    if (step != WalkStep::descend || entry.type != EntryType::directory) continue;
    if (item.depth >= maxDepth) {
      // A walk that asked for everything is told about the folders too deep to enter.
      if (limits.maxDepth >= kMaxWalkDepth && limits.onUnopened) limits.onUnopened(item.path, ELOOP);
      continue;
    }
    auto child = openChild(frame.folder, entry, item.path);
    if (!child.has_value()) {
      if (limits.onUnopened) limits.onUnopened(item.path, child.error().code);
      continue;
    }
    stack.push_back(Frame{std::move(child).value()});  // `frame` and `entry` are not used past here
  }
}

}  // namespace corvane::platform
