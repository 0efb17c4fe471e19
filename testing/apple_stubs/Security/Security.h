// Security's static code calls, each from the header named beside it; see ../README.md.
#pragma once
#include <CoreFoundation/CoreFoundation.h>

typedef uint32_t SecCSFlags;  // <Security/CSCommon.h>
typedef struct __SecCode const* SecStaticCodeRef;  // <Security/CSCommon.h>
typedef struct __SecRequirement* SecRequirementRef;  // <Security/CSCommon.h>
enum : uint32_t { kSecCSDefaultFlags = 0, kSecCSNoNetworkAccess = 1 << 29 };  // <Security/CSCommon.h>
enum : OSStatus { errSecCSUnsigned = -67062 };  // <Security/CSCommon.h>
enum : OSStatus { errSecSuccess = 0 };  // <Security/SecBase.h>
enum : uint32_t { kSecCSSigningInformation = 1 << 1, kSecCSRequirementInformation = 1 << 2 };  // <Security/SecCode.h>
enum : uint32_t { kSecCSDoNotValidateExecutable = 1 << 1, kSecCSDoNotValidateResources = 1 << 2, kSecCSBasicValidateOnly = kSecCSDoNotValidateExecutable | kSecCSDoNotValidateResources };  // <Security/SecStaticCode.h>

extern "C" {
extern const CFStringRef kSecCodeInfoEntitlementsDict;  // <Security/SecCode.h>
extern const CFStringRef kSecCodeInfoIdentifier;  // <Security/SecCode.h>
extern const CFStringRef kSecCodeInfoTeamIdentifier;  // <Security/SecCode.h>
OSStatus SecCodeCopySigningInformation(SecStaticCodeRef code, SecCSFlags flags, CFDictionaryRef* information);  // <Security/SecCode.h>
OSStatus SecStaticCodeCreateWithPath(CFURLRef path, SecCSFlags flags, SecStaticCodeRef* staticCode);  // <Security/SecStaticCode.h>
OSStatus SecStaticCodeCheckValidity(SecStaticCodeRef staticCode, SecCSFlags flags, SecRequirementRef requirement);  // <Security/SecStaticCode.h>
OSStatus SecRequirementCreateWithString(CFStringRef text, SecCSFlags flags, SecRequirementRef* requirement);  // <Security/SecRequirement.h>
}
