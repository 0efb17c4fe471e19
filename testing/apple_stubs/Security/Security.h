// Security's static code calls as documented (SecStaticCode, SecCode); see ../README.md.
#pragma once
#include <CoreFoundation/CoreFoundation.h>

typedef struct __SecCode const* SecStaticCodeRef;
typedef struct __SecRequirement* SecRequirementRef;
typedef uint32_t SecCSFlags;
enum : uint32_t { kSecCSDefaultFlags = 0, kSecCSNoNetworkAccess = 1 << 29 };
enum : uint32_t { kSecCSSigningInformation = 1 << 1, kSecCSRequirementInformation = 1 << 2 };
enum : uint32_t {
  kSecCSDoNotValidateExecutable = 1 << 1,
  kSecCSDoNotValidateResources = 1 << 2,
  kSecCSBasicValidateOnly = kSecCSDoNotValidateExecutable | kSecCSDoNotValidateResources
};
enum { errSecSuccess = 0 };
enum { errSecCSUnsigned = -67062 };

extern "C" {
extern const CFStringRef kSecCodeInfoEntitlementsDict;
extern const CFStringRef kSecCodeInfoIdentifier;
extern const CFStringRef kSecCodeInfoTeamIdentifier;

OSStatus SecStaticCodeCreateWithPath(CFURLRef path, SecCSFlags flags, SecStaticCodeRef* staticCode);
OSStatus SecCodeCopySigningInformation(SecStaticCodeRef code, SecCSFlags flags, CFDictionaryRef* information);
OSStatus SecStaticCodeCheckValidity(SecStaticCodeRef staticCode, SecCSFlags flags, SecRequirementRef requirement);
OSStatus SecRequirementCreateWithString(CFStringRef text, SecCSFlags flags, SecRequirementRef* requirement);
}
