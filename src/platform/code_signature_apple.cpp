#include <CoreFoundation/CoreFoundation.h>
#include <Security/Security.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/code_signature.h"

namespace corvane::platform {

namespace {

// Releases a Core Foundation object on scope exit.
struct CFReleaser {
  CFTypeRef object = nullptr;
  ~CFReleaser() {
    if (object) CFRelease(object);
  }
};

std::optional<std::string> text(CFTypeRef value) {
  if (!value || CFGetTypeID(value) != CFStringGetTypeID()) return std::nullopt;
  auto string = static_cast<CFStringRef>(value);
  CFIndex length = CFStringGetLength(string);
  CFIndex capacity = CFStringGetMaximumSizeForEncoding(length, kCFStringEncodingUTF8) + 1;
  std::string out(static_cast<std::size_t>(capacity), '\0');
  if (!CFStringGetCString(string, out.data(), capacity, kCFStringEncodingUTF8)) return std::nullopt;
  out.resize(std::char_traits<char>::length(out.c_str()));
  return out;
}

std::vector<std::string> applicationGroups(CFTypeRef entitlements) {
  if (!entitlements || CFGetTypeID(entitlements) != CFDictionaryGetTypeID()) return {};
  CFTypeRef value =
      CFDictionaryGetValue(static_cast<CFDictionaryRef>(entitlements), CFSTR("com.apple.security.application-groups"));
  if (!value || CFGetTypeID(value) != CFArrayGetTypeID()) return {};
  auto list = static_cast<CFArrayRef>(value);
  std::vector<std::string> groups;
  for (CFIndex i = 0, n = CFArrayGetCount(list); i < n; ++i) {
    auto group = text(CFArrayGetValueAtIndex(list, i));
    if (!group) return {};
    groups.push_back(*group);
  }
  return groups;
}

}  // namespace

SignatureFacts readCodeSignature(const std::string& bundlePath) {
  CFReleaser url{CFURLCreateFromFileSystemRepresentation(kCFAllocatorDefault,
                                                         reinterpret_cast<const UInt8*>(bundlePath.data()),
                                                         static_cast<CFIndex>(bundlePath.size()), true)};
  if (!url.object) return {};
  SecStaticCodeRef code = nullptr;
  if (SecStaticCodeCreateWithPath(static_cast<CFURLRef>(url.object), kSecCSDefaultFlags, &code) != errSecSuccess ||
      !code)
    return {};
  CFReleaser codeOwner{code};
  CFDictionaryRef information = nullptr;
  if (SecCodeCopySigningInformation(code, kSecCSSigningInformation | kSecCSRequirementInformation, &information) !=
          errSecSuccess ||
      !information)
    return {};
  CFReleaser informationOwner{information};
  if (CFGetTypeID(information) != CFDictionaryGetTypeID()) return {};

  SignatureFacts facts;
  facts.applicationGroups = applicationGroups(CFDictionaryGetValue(information, kSecCodeInfoEntitlementsDict));
  facts.signingIdentifier = text(CFDictionaryGetValue(information, kSecCodeInfoIdentifier));
  facts.teamIdentifier = text(CFDictionaryGetValue(information, kSecCodeInfoTeamIdentifier));
  return facts;
}

}  // namespace corvane::platform
