#include "platform/privacy_access.h"

namespace corvane::platform {

std::optional<std::string> privacyAccessHint() {
  return std::string(
      "The terminal needs Full Disk Access to read them: open System Settings > Privacy & Security > Full Disk "
      "Access, turn on your terminal app, then start it again.");
}

}  // namespace corvane::platform
