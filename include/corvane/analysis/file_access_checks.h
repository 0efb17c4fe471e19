#pragma once
// The two file-system questions that failure classification asks: is the item there (and is it a folder),
// and may this process write to a path. Injected, because permission bits do not stop root and tests run
// as root.

#include <functional>
#include <string>

namespace corvane {

struct FileAccessChecks {
  struct Presence {
    bool exists = false;
    bool isDirectory = false;
    bool operator==(const Presence&) const = default;
  };

  // The "file exists at path" check: follows a final symbolic link.
  std::function<Presence(const std::string& path)> presence;
  // The access check for write permission.
  std::function<bool(const std::string& path)> isWritable;

  // The checks of this process (stat and access(W_OK)).
  static FileAccessChecks system();
};

}  // namespace corvane
