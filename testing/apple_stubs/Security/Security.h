// Security's static code calls as documented (SecStaticCode, SecCode); see ../README.md.
#pragma once
#include <CoreFoundation/CoreFoundation.h>

typedef struct __SecCode const* SecStaticCodeRef;
typedef uint32_t SecCSFlags;
enum { kSecCSDefaultFlags = 0 };
enum { kSecCSSigningInformation = 1 << 1, kSecCSRequirementInformation = 1 << 2 };
enum { errSecSuccess = 0 };

extern "C" {
extern const CFStringRef kSecCodeInfoEntitlementsDict;
extern const CFStringRef kSecCodeInfoIdentifier;
extern const CFStringRef kSecCodeInfoTeamIdentifier;

OSStatus SecStaticCodeCreateWithPath(CFURLRef path, SecCSFlags flags, SecStaticCodeRef* staticCode);
OSStatus SecCodeCopySigningInformation(SecStaticCodeRef code, SecCSFlags flags, CFDictionaryRef* information);
}
