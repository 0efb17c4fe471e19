#include "corvane/analysis/file_access_checks.h"

#include "platform/fs_ops.h"

namespace corvane {

FileAccessChecks FileAccessChecks::system() {
  FileAccessChecks checks;
  checks.presence = [](const std::string& path) {
    Presence found;
    found.exists = platform::fileExists(path, &found.isDirectory);
    return found;
  };
  checks.isWritable = [](const std::string& path) { return platform::isWritable(path); };
  return checks;
}

}  // namespace corvane
