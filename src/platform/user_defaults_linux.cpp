// No defaults domains here: every store is its file.

#include "platform/user_defaults.h"

namespace corvane::platform {

std::optional<bool> userDefaultsBool(const std::string& key, const DefaultsStore& store) {
  return fileDefaultsBool(key, store.file);
}

Status setUserDefaultsBool(const std::string& key, bool value, const DefaultsStore& store) {
  return setFileDefaultsBool(key, value, store.file);
}

}  // namespace corvane::platform
