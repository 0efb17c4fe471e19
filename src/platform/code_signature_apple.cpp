#include <CoreFoundation/CoreFoundation.h>
#include <Security/Security.h>

#include <optional>
#include <cstdint>
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

SecStaticCodeRef staticCode(const std::string& bundlePath) {
  CFReleaser url{CFURLCreateFromFileSystemRepresentation(kCFAllocatorDefault,
                                                         reinterpret_cast<const UInt8*>(bundlePath.data()),
                                                         static_cast<CFIndex>(bundlePath.size()), true)};
  if (!url.object) return nullptr;
  SecStaticCodeRef code = nullptr;
  if (SecStaticCodeCreateWithPath(static_cast<CFURLRef>(url.object), kSecCSDefaultFlags, &code) != errSecSuccess)
    return nullptr;
  return code;
}

// A team identifier is ten letters or digits; anything else could not be written into a requirement safely.
bool isTeamIdentifier(const std::string& team) {
  if (team.size() != 10) return false;
  for (char c : team)
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return false;
  return true;
}

// The flags come from two of Security's enumerations, hence the casts.
constexpr SecCSFlags kStaticCheck =
    static_cast<SecCSFlags>(kSecCSBasicValidateOnly) | static_cast<SecCSFlags>(kSecCSNoNetworkAccess);

}  // namespace

macho::SignatureCheck checkCodeSignature(const std::string& bundlePath) {
  using macho::SignatureState;
  SecStaticCodeRef code = staticCode(bundlePath);
  if (!code) return {};
  CFReleaser codeOwner{code};
  const OSStatus status = SecStaticCodeCheckValidity(code, kStaticCheck, nullptr);
  if (status == errSecCSUnsigned) return {};
  if (status != errSecSuccess)
    return {SignatureState::invalid, "the code-signing service refused it (status " + std::to_string(status) + ")"};
  const std::optional<std::string> team = readCodeSignature(bundlePath).teamIdentifier;
  if (!team) return {SignatureState::valid, {}};
  // The team counts only when a certificate Apple issued to that team signed the code, or Apple signed it
  // for the Mac App Store (its leaf certificate carries the store's marker), vouching for the team inside.
  if (!isTeamIdentifier(*team)) return {SignatureState::invalid, "it names a malformed team"};
  const std::string text = "anchor apple generic and (certificate leaf[subject.OU] = \"" + *team +
                           "\" or certificate leaf[field.1.2.840.113635.100.6.1.9])";
  CFReleaser textOwner{CFStringCreateWithCString(kCFAllocatorDefault, text.c_str(), kCFStringEncodingUTF8)};
  SecRequirementRef requirement = nullptr;
  if (!textOwner.object ||
      SecRequirementCreateWithString(static_cast<CFStringRef>(textOwner.object), kSecCSDefaultFlags, &requirement) !=
          errSecSuccess)
    return {SignatureState::invalid, "its team could not be checked"};
  CFReleaser requirementOwner{requirement};
  if (SecStaticCodeCheckValidity(code, kStaticCheck, requirement) != errSecSuccess)
    return {SignatureState::invalid, "no certificate Apple issued to its team signed it"};
  return {SignatureState::valid, {}};
}

SignatureFacts readCodeSignature(const std::string& bundlePath) {
  SecStaticCodeRef code = staticCode(bundlePath);
  if (!code) return {};
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
