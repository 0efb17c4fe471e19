#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "platform/atomic_file.h"
#include "platform/fs_ops.h"
#include "platform/random.h"
#include "platform/retry.h"

namespace corvane::platform {

namespace {

struct FolderAndName {
  std::string folder;
  std::string name;
};

// "a/b/c" gives "a/b" and "c"; "c" gives "." and "c"; "/c" gives "/" and "c". A path ending in "/" or in
// "." or ".." names no file.
bool splitFolderAndName(const std::string& path, FolderAndName& out) {
  auto slash = path.rfind('/');
  out.name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (out.name.empty() || out.name == "." || out.name == "..") return false;
  if (slash == std::string::npos) {
    out.folder = ".";
  } else {
    out.folder = path.substr(0, slash);
    while (!out.folder.empty() && out.folder.back() == '/') out.folder.pop_back();
    if (out.folder.empty()) out.folder = "/";
  }
  return true;
}

std::string randomHex(std::size_t byteCount) {
  static const char kDigits[] = "0123456789abcdef";
  std::string bytes(byteCount, '\0');
  randomBytes(reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size());
  std::string text;
  for (unsigned char b : bytes) {
    text.push_back(kDigits[b >> 4]);
    text.push_back(kDigits[b & 0xF]);
  }
  return text;
}

// Writes every byte, going on after short writes and EINTR.
bool writeAll(const AtomicWriteCalls& calls, int fd, std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    long n = retryAfterSignal(calls.write, fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) return false;
    if (n == 0) {  // no progress and no error: give up rather than spin
      errno = EIO;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

AtomicWriteCalls AtomicWriteCalls::system() {
  AtomicWriteCalls calls;
  calls.openat = [](int dirFd, const char* name, int flags, unsigned mode) {
    return ::openat(dirFd, name, flags, static_cast<mode_t>(mode));
  };
  calls.write = [](int fd, const void* data, std::size_t size) { return static_cast<long>(::write(fd, data, size)); };
  calls.fsync = [](int fd) { return ::fsync(fd); };
  calls.close = [](int fd) { return ::close(fd); };
  calls.renameat = [](int fromDirFd, const char* from, int toDirFd, const char* to) {
    return ::renameat(fromDirFd, from, toDirFd, to);
  };
  calls.unlinkat = [](int dirFd, const char* name) { return ::unlinkat(dirFd, name, 0); };
  calls.temporaryName = [](const std::string& targetName) { return "." + targetName + ".tmp-" + randomHex(8); };
  return calls;
}

Status writeFileAtomically(const std::string& path, std::string_view bytes, unsigned mode) {
  return writeFileAtomically(path, bytes, mode, AtomicWriteCalls::system());
}

Status writeFileAtomically(const std::string& path, std::string_view bytes, unsigned mode,
                           const AtomicWriteCalls& calls) {
  FolderAndName where;
  if (!splitFolderAndName(path, where)) return Error::fromErrno(EINVAL, "write", path);
  auto folder = openDirectory(where.folder);
  if (!folder.has_value()) return folder.error();
  const int dirFd = folder->get();

  // A fresh temporary: O_EXCL refuses any name already taken, including by a (dangling) symbolic link.
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; attempt < kAtomicWriteNameAttempts && fd < 0; ++attempt) {
    temporary = calls.temporaryName(where.name);
    fd = retryAfterSignal(calls.openat, dirFd, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          mode);
    if (fd < 0 && errno != EEXIST) return Error::fromErrno(errno, "open", where.folder + "/" + temporary);
  }
  if (fd < 0) return Error::fromErrno(EEXIST, "open", where.folder + "/" + temporary);

  auto failed = [&](const char* operation, int code, bool closeFile) -> Status {
    if (closeFile) calls.close(fd);
    calls.unlinkat(dirFd, temporary.c_str());
    return Error::fromErrno(code, operation, path);
  };

  if (!writeAll(calls, fd, bytes)) return failed("write", errno, true);
  if (retryAfterSignal(calls.fsync, fd) != 0) return failed("fsync", errno, true);
  // The descriptor is gone whatever close says; only a real error (not EINTR) counts as a failed write.
  if (calls.close(fd) != 0 && errno != EINTR) return failed("close", errno, false);
  if (calls.renameat(dirFd, temporary.c_str(), dirFd, where.name.c_str()) != 0)
    return failed("rename", errno, false);
  // The new name is in place; make the folder's entry durable too.
  if (retryAfterSignal(calls.fsync, dirFd) != 0) return Error::fromErrno(errno, "fsync", where.folder);
  return Ok{};
}

Status createDirectories(const std::string& path, unsigned mode) {
  if (path.empty()) return Error::fromErrno(ENOENT, "mkdir", path);
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return Ok{};
    return Error::fromErrno(ENOTDIR, "mkdir", path);
  }
  // Create each prefix in turn; one that exists must be (or lead to) a folder.
  std::string prefix;
  std::size_t start = 0;
  if (path.front() == '/') {
    prefix = "/";
    start = 1;
  }
  while (start <= path.size()) {
    std::size_t slash = path.find('/', start);
    if (slash == std::string::npos) slash = path.size();
    std::string component = path.substr(start, slash - start);
    start = slash + 1;
    if (component.empty() || component == ".") continue;
    if (!prefix.empty() && prefix.back() != '/') prefix += '/';
    prefix += component;
    if (retryAfterSignal(::mkdir, prefix.c_str(), static_cast<mode_t>(mode)) == 0) continue;
    int code = errno;
    if (code != EEXIST) return Error::fromErrno(code, "mkdir", prefix);
    if (::stat(prefix.c_str(), &st) != 0) return Error::fromErrno(errno, "stat", prefix);
    if (!S_ISDIR(st.st_mode)) return Error::fromErrno(ENOTDIR, "mkdir", prefix);
  }
  return Ok{};
}

}  // namespace corvane::platform
