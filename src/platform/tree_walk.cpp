// The tree engine's loop. The folders from the start down to the current one are held by a FolderChain,
// so the walk's descriptors stay within the budget at any depth; each level keeps only the entries it
// has still to visit.

#include "platform/tree_walk.h"

#include <algorithm>
#include <cerrno>
#include <utility>
#include <vector>

#include "platform/descriptor_ops.h"

namespace corvane::platform {

namespace {

struct Frame {
  TreeItem folder;  // as it was visited; its `folderFd` is set again when the folder is left
  std::vector<NamedEntry> entries;
  std::size_t next = 0;
};

class Walk {
 public:
  Walk(int baseFd, TreeVisitor& visitor, const TreeOptions& options, std::size_t depthOfBase)
      : chain_(baseFd, options.descriptorBudget), visitor_(visitor), options_(options), depthOfBase_(depthOfBase) {}

  // `base` is the frame of the starting folder, whose descriptor the caller holds.
  void run(Frame base, bool baseIsParent) {
    baseIsParent_ = baseIsParent;
    stack_.push_back(std::move(base));
    while (!stack_.empty())
      if (!step()) return;
  }

 private:
  // One entry visited, or one folder finished; false when the walk is to stop.
  bool step() {
    auto current = chain_.current();
    if (!current.has_value()) return leaveUnfinished(current.error());
    Frame& frame = stack_.back();
    if (frame.next == frame.entries.size()) return finish();
    const NamedEntry& entry = frame.entries[frame.next++];
    item_.folderFd = current.value();
    item_.name = entry.name;
    item_.path = baseIsParent_ && stack_.size() == 1 ? stack_.front().folder.path : childOf(frame.folder.path, entry.name);
    item_.depth = depthOfBase_ + stack_.size() - 1;
    item_.type = entry.type;
    item_.status.reset();
    item_.statusError = 0;
    if (options_.withStatus || !entry.known) {
      auto status = statusAt(item_.folderFd, item_.name);
      if (status.has_value()) {
        item_.status = status.value();
        item_.type = item_.status->type();
      } else {
        item_.statusError = status.error().code;
      }
    }
    const TreeStep choice = visitor_.visit(item_);
    if (choice == TreeStep::stop) return false;
    if (choice != TreeStep::descend || item_.type != FileType::directory) return true;
    return enter();  // `frame` and `entry` are not used past here
  }

  bool enter() {
    if (options_.beforeOpening) options_.beforeOpening(item_.path);
    if (auto entered = chain_.enter(item_.name); !entered.has_value())
      return visitor_.failed(item_, Error::fromErrno(entered.error().code, "open", item_.path)) != TreeStep::stop;
    const int fd = chain_.current().value();  // just opened
    auto entries = listEntriesAt(fd);
    if (!entries.has_value()) {
      chain_.leave();
      return visitor_.failed(item_, Error::fromErrno(entries.error().code, "readdir", item_.path)) != TreeStep::stop;
    }
    Frame child{item_, std::move(entries).value(), 0};
    if (options_.sorted)
      std::sort(child.entries.begin(), child.entries.end(),
                [](const NamedEntry& a, const NamedEntry& b) { return a.name < b.name; });
    const TreeStep choice = visitor_.entered(item_, fd);
    if (choice != TreeStep::descend) {
      chain_.leave();
      return choice != TreeStep::stop;
    }
    stack_.push_back(std::move(child));
    return true;
  }

  // Every entry of the deepest folder was visited: back to its parent, which the visitor is told.
  bool finish() {
    if (stack_.size() == 1) {
      stack_.pop_back();
      return true;
    }
    TreeItem done = std::move(stack_.back().folder);
    stack_.pop_back();
    chain_.leave();
    auto parent = chain_.current();
    if (!parent.has_value())
      return visitor_.failed(done, Error::fromErrno(parent.error().code, "open", done.path)) != TreeStep::stop;
    done.folderFd = parent.value();
    return visitor_.left(done) != TreeStep::stop;
  }

  // The deepest folder could not be opened again as the folder it was: what is left of it is passed over.
  bool leaveUnfinished(const Error& error) {
    TreeItem lost = std::move(stack_.back().folder);
    stack_.pop_back();
    chain_.leave();
    return visitor_.failed(lost, Error::fromErrno(error.code, "open", lost.path)) != TreeStep::stop;
  }

  static std::string childOf(const std::string& folder, const std::string& name) {
    return !folder.empty() && folder.back() == '/' ? folder + name : folder + "/" + name;
  }

  FolderChain chain_;
  TreeVisitor& visitor_;
  const TreeOptions& options_;
  std::size_t depthOfBase_;
  bool baseIsParent_ = false;
  std::vector<Frame> stack_;
  TreeItem item_;
};

}  // namespace

void walkEntries(int folderFd, const std::string& path, TreeVisitor& visitor, const TreeOptions& options) {
  Frame base{TreeItem{folderFd, {}, path, 0, FileType::directory, std::nullopt, 0}, {}, 0};
  auto entries = listEntriesAt(folderFd);
  if (!entries.has_value()) {
    (void)visitor.failed(base.folder, Error::fromErrno(entries.error().code, "readdir", path));
    return;
  }
  base.entries = std::move(entries).value();
  if (options.sorted)
    std::sort(base.entries.begin(), base.entries.end(),
              [](const NamedEntry& a, const NamedEntry& b) { return a.name < b.name; });
  Walk(folderFd, visitor, options, 1).run(std::move(base), false);
}

void walkItem(int parentFd, const std::string& name, const std::string& path, TreeVisitor& visitor,
              const TreeOptions& options) {
  Frame base{TreeItem{parentFd, {}, path, 0, FileType::directory, std::nullopt, 0}, {NamedEntry{name}}, 0};
  Walk(parentFd, visitor, options, 0).run(std::move(base), true);
}

}  // namespace corvane::platform

namespace corvane::platform {

namespace {

class Removal final : public TreeVisitor {
 public:
  Removal(std::uint64_t device, const RemoveTreeOptions& options) : device_(device), options_(options) {}

  TreeStep visit(const TreeItem& item) override {
    if (!item.status) {
      if (item.statusError != ENOENT) first.keep(Error::fromErrno(item.statusError, "fstatat", item.path));
      return TreeStep::skip;
    }
    if (item.status->device != device_) return fail(Error::fromErrno(EXDEV, kRemoveOtherVolume, item.path));
    if (item.depth > 0 && options_.check)
      if (auto refused = options_.check(item)) return fail(std::move(*refused));
    if (item.type != FileType::directory) {
      if (auto gone = unlinkAt(item.folderFd, item.name, false); !gone.has_value() && gone.error().code != ENOENT)
        first.keep(Error::fromErrno(gone.error().code, "unlink", item.path));
      return TreeStep::skip;
    }
    if (item.depth > options_.maxDepth) return fail(Error::fromErrno(ELOOP, kRemoveTooDeep, item.path));
    return TreeStep::descend;
  }

  TreeStep left(const TreeItem& folder) override {
    if (auto gone = unlinkAt(folder.folderFd, folder.name, true); !gone.has_value() && gone.error().code != ENOENT)
      first.keep(Error::fromErrno(gone.error().code, "rmdir", folder.path));
    return TreeStep::descend;
  }

  TreeStep failed(const TreeItem&, const Error& error) override {
    if (error.code != ENOENT) first.keep(error);
    return TreeStep::descend;
  }

  FirstError first;

 private:
  TreeStep fail(Error error) {
    first.keep(std::move(error));
    return TreeStep::skip;
  }

  std::uint64_t device_;
  const RemoveTreeOptions& options_;
};

}  // namespace

Status removeTree(int parentFd, const std::string& name, const std::string& path, const RemoveTreeOptions& options) {
  auto parent = statusOf(parentFd);
  if (!parent.has_value()) return parent.error();
  Removal removal(parent->device, options);
  TreeOptions walk;
  walk.beforeOpening = options.beforeOpening;
  walkItem(parentFd, name, path, removal, walk);
  return removal.first.status();
}

}  // namespace corvane::platform
