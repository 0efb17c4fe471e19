// The defaults of the application named by the caller, through CFPreferences; the file store otherwise.
// Never kCFPreferencesCurrentApplication: for a process without a bundle (the tool, the test binaries) it
// names the executable, which would scatter the setting over domains nobody reads.

#include <CoreFoundation/CoreFoundation.h>

#include "platform/user_defaults.h"

namespace corvane::platform {

namespace {

struct Released {
  CFTypeRef ref;
  ~Released() {
    if (ref) CFRelease(ref);
  }
};

CFStringRef makeString(const std::string& text) {
  return CFStringCreateWithCString(kCFAllocatorDefault, text.c_str(), kCFStringEncodingUTF8);
}

}  // namespace

std::optional<bool> userDefaultsBool(const std::string& key, const DefaultsStore& store) {
  if (store.applicationId.empty()) return fileDefaultsBool(key, store.file);
  Released name{makeString(key)};
  Released domain{makeString(store.applicationId)};
  if (!name.ref || !domain.ref) return std::nullopt;
  CFPropertyListRef value =
      CFPreferencesCopyAppValue(static_cast<CFStringRef>(name.ref), static_cast<CFStringRef>(domain.ref));
  Released valueGuard{value};
  if (value == nullptr || CFGetTypeID(value) != CFBooleanGetTypeID()) return std::nullopt;
  return CFBooleanGetValue(static_cast<CFBooleanRef>(value)) != 0;
}

Status setUserDefaultsBool(const std::string& key, bool value, const DefaultsStore& store) {
  if (store.applicationId.empty()) return setFileDefaultsBool(key, value, store.file);
  Released name{makeString(key)};
  Released domain{makeString(store.applicationId)};
  if (!name.ref || !domain.ref) return Error::invalid("the key or the domain is not text", store.applicationId);
  const auto appId = static_cast<CFStringRef>(domain.ref);
  CFPreferencesSetAppValue(static_cast<CFStringRef>(name.ref), value ? kCFBooleanTrue : kCFBooleanFalse, appId);
  if (CFPreferencesAppSynchronize(appId) == 0) return Error::invalid("the defaults could not be saved", store.applicationId);
  return Ok{};
}

}  // namespace corvane::platform
