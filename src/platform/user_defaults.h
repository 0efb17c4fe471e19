#pragma once
// Booleans of the application's user defaults. On a Mac they live in the app's own defaults domain; on
// other systems in `storeFile`, one JSON object of keys (a file that is missing or does not read as such
// an object holds no keys).

#include <optional>
#include <string>

namespace corvane::platform {

// None when the key is unset or not a boolean.
std::optional<bool> userDefaultsBool(const std::string& key, const std::string& storeFile);
// True when written; other keys of the store are kept.
bool setUserDefaultsBool(const std::string& key, bool value, const std::string& storeFile);

}  // namespace corvane::platform
