#pragma once
// Replacing a file whole, so that readers see either the old or the new contents and never a mix, and
// creating a folder with all its missing parents.
//
// The new contents go to a temporary file in the target's folder, opened relative to that folder's
// descriptor with O_CREAT|O_EXCL|O_NOFOLLOW (so nothing already at the temporary's name, a symbolic link
// least of all, is ever opened or followed), are written in full and flushed with fsync, and the temporary
// is renamed over the target with renameat; then the folder itself is flushed. On any failure the temporary
// is unlinked and the target is left as it was. There is no non-atomic fallback.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "corvane/base/result.h"

namespace corvane::platform {

// The system calls the atomic write makes, replaceable so that tests can fail one part-way, interrupt
// one with EINTR or shorten writes. Each reports failure like the system call: -1 with errno set.
struct AtomicWriteCalls {
  std::function<int(int dirFd, const char* name, int flags, unsigned mode)> openat;
  std::function<long(int fd, const void* data, std::size_t size)> write;
  std::function<int(int fd)> fsync;
  std::function<int(int fd)> close;
  std::function<int(int fromDirFd, const char* from, int toDirFd, const char* to)> renameat;
  std::function<int(int dirFd, const char* name)> unlinkat;
  // The name of the temporary for the given target name; called again after a name turned out taken.
  std::function<std::string(const std::string& targetName)> temporaryName;

  // The real calls, and temporary names "." + target name + ".tmp-" + 16 random hex digits.
  static AtomicWriteCalls system();
};

// How many temporary names are tried before giving up with EEXIST.
inline constexpr int kAtomicWriteNameAttempts = 16;

// Writes `bytes` to the file at `path` (absolute or relative), replacing it atomically. A new file gets
// `mode` (less the umask). The folder must exist. A symbolic link at `path` itself is replaced, not followed.
Status writeFileAtomically(const std::string& path, std::string_view bytes, unsigned mode = 0644);
Status writeFileAtomically(const std::string& path, std::string_view bytes, unsigned mode,
                           const AtomicWriteCalls& calls);

// Creates the folder at `path` and every missing folder above it (mode less the umask). An existing folder,
// or a symbolic link to one, is fine; anything else in the way fails with ENOTDIR or EEXIST.
Status createDirectories(const std::string& path, unsigned mode = 0755);

}  // namespace corvane::platform
