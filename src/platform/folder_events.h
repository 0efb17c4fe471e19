#pragma once
// Telling, without polling, when entries arrive in or leave watched folders, and when a watched folder
// itself goes away (removed, renamed, or its volume unmounted). The caller owns the loop: `descriptor` is
// readable whenever changes wait, and `wait` blocks for at most the time it is given. No thread is started.
// Linux uses inotify; macOS a kqueue with one vnode source per folder (it says that a folder changed, not
// which entry: callers list the folder again either way).

#include <map>
#include <string>
#include <vector>

#include "corvane/base/result.h"
#include "platform/unique_fd.h"

namespace corvane::platform {

class FolderEvents {
 public:
  struct Change {
    int watch = -1;           // the id `watch` gave; -1 when changes were lost and every folder should be looked at
    bool folderGone = false;  // the folder itself went away; its watch has ended

    bool operator==(const Change&) const = default;
  };

  static Result<FolderEvents> open();

  // Watches the folder at `path` (a final symbolic link is not followed: a link is refused with ENOTDIR or
  // ELOOP). Returns the id its changes carry.
  Result<int> watch(const std::string& path);
  // Stops watching; an id that already ended is ignored.
  void unwatch(int id);

  int descriptor() const { return queue_.get(); }

  // Waits up to `timeoutMilliseconds` (0: not at all, negative: without limit) and returns the changes
  // waiting, in order; none after the time passed or a signal.
  Result<std::vector<Change>> wait(int timeoutMilliseconds);

 private:
  explicit FolderEvents(UniqueFd queue) : queue_(std::move(queue)) {}

  UniqueFd queue_;
  std::map<int, UniqueFd> folders_;  // macOS: the folders' own descriptors, by id
};

}  // namespace corvane::platform
