#pragma once
// The walk loop every file system shares: pre-order over a stack of open folders, within the limits.

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

// How a walk holds its folders' descriptors: all of them open (folders listed by path), or only the
// deepest few, the others given up and opened again from their parent when the walk comes back to them.
struct KeepFoldersOpen {
  template <class Folder>
  bool isOpen(const Folder&) const { return true; }
  template <class Folder>
  void giveUp(Folder&) const {}
  template <class Folder>
  bool reopen(const Folder&, Folder&) const { return true; }
  std::size_t budget = static_cast<std::size_t>(-1);
};

// `Folder` is one open folder as the walk holds it: at least its `path` and its `entries`.
// `statusOf(folder, entry, path)` reads an entry's status without following it; `openChild(folder, entry,
// path)` opens the child folder, as a Result<Folder>. A folder that will not open is passed over.
// `descriptors` keeps at most its `budget` folders open below the top one, which stays open: a folder
// that cannot be opened again as the very folder it was (it was moved or replaced) is passed over from
// there on, told as ESTALE.
template <class Folder, class StatusOf, class OpenChild, class Descriptors = KeepFoldersOpen>
void walkFolders(Folder top, const WalkLimits& limits, const WalkVisitor& visit, StatusOf&& statusOf,
                 OpenChild&& openChild, Descriptors descriptors = {}) {
  struct Frame {
    Folder folder;
    std::size_t next = 0;
  };
  const std::size_t maxDepth = std::min(limits.maxDepth, kMaxWalkDepth);
  std::vector<Frame> stack;
  stack.push_back(Frame{std::move(top)});
  std::size_t firstOpen = 1;  // frames 1 .. firstOpen-1 have given up their descriptor
  // Opens the deepest frame again, from the top down, keeping the deepest ones open.
  auto reopenDeepest = [&]() -> bool {
    firstOpen = 1;
    for (std::size_t i = 1; i < stack.size(); ++i) {
      if (i - firstOpen >= descriptors.budget) descriptors.giveUp(stack[firstOpen++].folder);
      if (!descriptors.reopen(stack[i - 1].folder, stack[i].folder)) return false;
    }
    return true;
  };
  while (!stack.empty()) {
    if (!descriptors.isOpen(stack.back().folder) && !reopenDeepest()) {
      if (limits.onUnopened) limits.onUnopened(stack.back().folder.path, ESTALE);
      stack.pop_back();
      firstOpen = std::min(firstOpen, std::max<std::size_t>(stack.size(), 1));
      continue;
    }
    Frame& frame = stack.back();
    if (frame.next >= frame.folder.entries.size()) {
      stack.pop_back();
      firstOpen = std::min(firstOpen, std::max<std::size_t>(stack.size(), 1));
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
    // Room for the new descriptor: the shallowest open folder below the top gives its up.
    if (stack.size() - firstOpen >= descriptors.budget && firstOpen < stack.size() - 1)
      descriptors.giveUp(stack[firstOpen++].folder);
    stack.push_back(Frame{std::move(child).value()});  // `frame` and `entry` are not used past here
  }
}

}  // namespace corvane::platform
