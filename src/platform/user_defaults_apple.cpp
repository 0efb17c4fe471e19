// The defaults of the running application, through CFPreferences.

#include <CoreFoundation/CoreFoundation.h>

#include "platform/user_defaults.h"

namespace corvane::platform {

namespace {

CFStringRef makeKey(const std::string& key) {
  return CFStringCreateWithCString(kCFAllocatorDefault, key.c_str(), kCFStringEncodingUTF8);
}

}  // namespace

std::optional<bool> userDefaultsBool(const std::string& key, const std::string&) {
  CFStringRef name = makeKey(key);
  if (name == nullptr) return std::nullopt;
  CFPropertyListRef value = CFPreferencesCopyAppValue(name, kCFPreferencesCurrentApplication);
  CFRelease(name);
  if (value == nullptr) return std::nullopt;
  std::optional<bool> result;
  if (CFGetTypeID(value) == CFBooleanGetTypeID())
    result = CFBooleanGetValue(static_cast<CFBooleanRef>(value)) != 0;
  CFRelease(value);
  return result;
}

bool setUserDefaultsBool(const std::string& key, bool value, const std::string&) {
  CFStringRef name = makeKey(key);
  if (name == nullptr) return false;
  CFPreferencesSetAppValue(name, value ? kCFBooleanTrue : kCFBooleanFalse, kCFPreferencesCurrentApplication);
  CFRelease(name);
  return CFPreferencesAppSynchronize(kCFPreferencesCurrentApplication) != 0;
}

}  // namespace corvane::platform
