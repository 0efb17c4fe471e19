#pragma once
// Booleans of the application's user defaults. On a Mac, given an application id, they live in that
// application's defaults domain (the Mac app passes its own bundle identifier, so the app and its
// scheduled check share one domain). Without one (the command-line tool, the tests) and on systems without
// defaults domains they live in `file`: one JSON object of keys (a file that is missing or does not read as
// such an object holds no keys), so a test's store is its own and never the user's real preferences.

#include <optional>
#include <string>

#include "corvane/base/result.h"

namespace corvane::platform {

struct DefaultsStore {
  std::string applicationId;  // a defaults domain such as "com.example.App"; empty for the file
  std::string file;

  bool operator==(const DefaultsStore&) const = default;
};

// None when the key is unset or not a boolean.
std::optional<bool> userDefaultsBool(const std::string& key, const DefaultsStore& store);
// Writes the key, keeping the store's other keys; fails with the error of the write.
Status setUserDefaultsBool(const std::string& key, bool value, const DefaultsStore& store);

// The JSON file store alone, the same on every system.
std::optional<bool> fileDefaultsBool(const std::string& key, const std::string& file);
Status setFileDefaultsBool(const std::string& key, bool value, const std::string& file);

}  // namespace corvane::platform
