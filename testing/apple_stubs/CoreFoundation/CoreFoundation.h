// The Core Foundation types, constants and calls Corvane uses, each from the header named beside it; see
// ../README.md.
#pragma once
#include <stdint.h>

typedef unsigned char Boolean;  // <MacTypes.h>
typedef uint8_t UInt8;  // <MacTypes.h>
typedef unsigned int UInt32;  // <MacTypes.h>
typedef UInt32 UTF32Char;  // <MacTypes.h>
typedef int32_t OSStatus;  // <MacTypes.h>
typedef long CFIndex;  // <CoreFoundation/CFBase.h>
typedef unsigned long CFTypeID;  // <CoreFoundation/CFBase.h>
typedef unsigned long CFOptionFlags;  // <CoreFoundation/CFBase.h>
typedef const void* CFTypeRef;  // <CoreFoundation/CFBase.h>
typedef const struct __CFAllocator* CFAllocatorRef;  // <CoreFoundation/CFBase.h>
typedef const struct __CFString* CFStringRef;  // <CoreFoundation/CFBase.h>
typedef struct __CFString* CFMutableStringRef;  // <CoreFoundation/CFBase.h>
typedef CFTypeRef CFPropertyListRef;  // <CoreFoundation/CFBase.h>
typedef const struct __CFDictionary* CFDictionaryRef;  // <CoreFoundation/CFDictionary.h>
typedef const struct __CFArray* CFArrayRef;  // <CoreFoundation/CFArray.h>
typedef const struct __CFURL* CFURLRef;  // <CoreFoundation/CFURL.h>
typedef const struct __CFLocale* CFLocaleRef;  // <CoreFoundation/CFLocale.h>
typedef CFStringRef CFLocaleIdentifier;  // <CoreFoundation/CFLocale.h>
typedef CFStringRef CFCalendarIdentifier;  // <CoreFoundation/CFLocale.h>
typedef const struct __CFCharacterSet* CFCharacterSetRef;  // <CoreFoundation/CFCharacterSet.h>
typedef UInt32 CFStringEncoding;  // <CoreFoundation/CFString.h>
typedef double CFTimeInterval;  // <CoreFoundation/CFDate.h>
typedef CFTimeInterval CFAbsoluteTime;  // <CoreFoundation/CFDate.h>
typedef const struct __CFTimeZone* CFTimeZoneRef;  // <CoreFoundation/CFDate.h>
typedef struct __CFCalendar* CFCalendarRef;  // <CoreFoundation/CFCalendar.h>
typedef struct __CFDateFormatter* CFDateFormatterRef;  // <CoreFoundation/CFDateFormatter.h>
typedef CFStringRef CFDateFormatterKey;  // <CoreFoundation/CFDateFormatter.h>
typedef const struct __CFBoolean* CFBooleanRef;  // <CoreFoundation/CFNumber.h>
typedef CFOptionFlags CFCalendarUnit;  // <CoreFoundation/CFCalendar.h>
enum : CFCalendarUnit { kCFCalendarUnitDay = (1UL << 4) };  // <CoreFoundation/CFCalendar.h>
typedef enum CFDateFormatterStyle : CFIndex CFDateFormatterStyle;  // <CoreFoundation/CFDateFormatter.h>
enum CFDateFormatterStyle : CFIndex { kCFDateFormatterNoStyle = 0 };  // <CoreFoundation/CFDateFormatter.h>

typedef struct {  // <CoreFoundation/CFBase.h>
  CFIndex location;  // <CoreFoundation/CFBase.h>
  CFIndex length;  // <CoreFoundation/CFBase.h>
} CFRange;  // <CoreFoundation/CFBase.h>
CFRange CFRangeMake(CFIndex loc, CFIndex len);  // <CoreFoundation/CFBase.h>

typedef enum CFComparisonResult : CFIndex CFComparisonResult;  // <CoreFoundation/CFBase.h>
enum CFComparisonResult : CFIndex { kCFCompareLessThan = -1L, kCFCompareEqualTo = 0, kCFCompareGreaterThan = 1 };  // <CoreFoundation/CFBase.h>
typedef CFOptionFlags CFStringCompareFlags;  // <CoreFoundation/CFString.h>
enum : CFStringCompareFlags { kCFCompareCaseInsensitive = 1, kCFCompareNonliteral = 16, kCFCompareLocalized = 32, kCFCompareNumerically = 64, kCFCompareWidthInsensitive = 256 };  // <CoreFoundation/CFString.h>
enum { kCFStringEncodingUTF8 = 0x08000100 };  // <CoreFoundation/CFString.h>
typedef enum CFCharacterSetPredefinedSet : CFIndex CFCharacterSetPredefinedSet;  // <CoreFoundation/CFCharacterSet.h>
enum CFCharacterSetPredefinedSet : CFIndex { kCFCharacterSetAlphaNumeric = 10 };  // <CoreFoundation/CFCharacterSet.h>

extern "C" {
extern const CFAllocatorRef kCFAllocatorDefault;  // <CoreFoundation/CFBase.h>
void CFRelease(CFTypeRef cf);  // <CoreFoundation/CFBase.h>
CFTypeID CFGetTypeID(CFTypeRef cf);  // <CoreFoundation/CFBase.h>

CFTypeID CFStringGetTypeID(void);  // <CoreFoundation/CFString.h>
CFIndex CFStringGetLength(CFStringRef theString);  // <CoreFoundation/CFString.h>
CFIndex CFStringGetMaximumSizeForEncoding(CFIndex length, CFStringEncoding encoding);  // <CoreFoundation/CFString.h>
Boolean CFStringGetCString(CFStringRef theString, char* buffer, CFIndex bufferSize, CFStringEncoding encoding);  // <CoreFoundation/CFString.h>
CFStringRef CFStringCreateWithBytes(CFAllocatorRef alloc, const UInt8* bytes, CFIndex numBytes, CFStringEncoding encoding, Boolean isExternalRepresentation);  // <CoreFoundation/CFString.h>
CFStringRef CFStringCreateWithCString(CFAllocatorRef alloc, const char* cStr, CFStringEncoding encoding);  // <CoreFoundation/CFString.h>
CFIndex CFStringGetBytes(CFStringRef theString, CFRange range, CFStringEncoding encoding, UInt8 lossByte, Boolean isExternalRepresentation, UInt8* buffer, CFIndex maxBufLen, CFIndex* usedBufLen);  // <CoreFoundation/CFString.h>
CFMutableStringRef CFStringCreateMutableCopy(CFAllocatorRef alloc, CFIndex maxLength, CFStringRef theString);  // <CoreFoundation/CFString.h>
void CFStringLowercase(CFMutableStringRef theString, CFLocaleRef locale);  // <CoreFoundation/CFString.h>
CFRange CFStringGetRangeOfComposedCharactersAtIndex(CFStringRef theString, CFIndex theIndex);  // <CoreFoundation/CFString.h>
CFComparisonResult CFStringCompare(CFStringRef theString1, CFStringRef theString2, CFStringCompareFlags compareOptions);  // <CoreFoundation/CFString.h>
// CFSTR("...") makes a constant string; outside Apple's compiler the header's macro expands to this call.
CFStringRef __CFStringMakeConstantString(const char* cStr);  // <CoreFoundation/CFString.h>
#define CFSTR(cStr) __CFStringMakeConstantString("" cStr "")  // <CoreFoundation/CFString.h>

CFTypeID CFDictionaryGetTypeID(void);  // <CoreFoundation/CFDictionary.h>
const void* CFDictionaryGetValue(CFDictionaryRef theDict, const void* key);  // <CoreFoundation/CFDictionary.h>

CFTypeID CFArrayGetTypeID(void);  // <CoreFoundation/CFArray.h>
CFIndex CFArrayGetCount(CFArrayRef theArray);  // <CoreFoundation/CFArray.h>
const void* CFArrayGetValueAtIndex(CFArrayRef theArray, CFIndex idx);  // <CoreFoundation/CFArray.h>

CFURLRef CFURLCreateFromFileSystemRepresentation(CFAllocatorRef allocator, const UInt8* buffer, CFIndex bufLen, Boolean isDirectory);  // <CoreFoundation/CFURL.h>

CFCharacterSetRef CFCharacterSetGetPredefined(CFCharacterSetPredefinedSet theSetIdentifier);  // <CoreFoundation/CFCharacterSet.h>
Boolean CFCharacterSetIsLongCharacterMember(CFCharacterSetRef theSet, UTF32Char theChar);  // <CoreFoundation/CFCharacterSet.h>

extern const CFCalendarIdentifier kCFGregorianCalendar;  // <CoreFoundation/CFLocale.h>
CFLocaleRef CFLocaleCreate(CFAllocatorRef allocator, CFLocaleIdentifier localeIdentifier);  // <CoreFoundation/CFLocale.h>

CFCalendarRef CFCalendarCreateWithIdentifier(CFAllocatorRef allocator, CFCalendarIdentifier identifier);  // <CoreFoundation/CFCalendar.h>
void CFCalendarSetTimeZone(CFCalendarRef calendar, CFTimeZoneRef tz);  // <CoreFoundation/CFCalendar.h>
Boolean CFCalendarGetTimeRangeOfUnit(CFCalendarRef calendar, CFCalendarUnit unit, CFAbsoluteTime at, CFAbsoluteTime* startp, CFTimeInterval* tip);  // <CoreFoundation/CFCalendar.h>

CFTimeZoneRef CFTimeZoneCopySystem(void);  // <CoreFoundation/CFTimeZone.h>
CFTimeZoneRef CFTimeZoneCreateWithName(CFAllocatorRef allocator, CFStringRef name, Boolean tryAbbrev);  // <CoreFoundation/CFTimeZone.h>
CFTimeZoneRef CFTimeZoneCreateWithTimeIntervalFromGMT(CFAllocatorRef allocator, CFTimeInterval ti);  // <CoreFoundation/CFTimeZone.h>

extern const CFDateFormatterKey kCFDateFormatterTimeZone;  // <CoreFoundation/CFDateFormatter.h>
CFDateFormatterRef CFDateFormatterCreate(CFAllocatorRef allocator, CFLocaleRef locale, CFDateFormatterStyle dateStyle, CFDateFormatterStyle timeStyle);  // <CoreFoundation/CFDateFormatter.h>
void CFDateFormatterSetFormat(CFDateFormatterRef formatter, CFStringRef formatString);  // <CoreFoundation/CFDateFormatter.h>
void CFDateFormatterSetProperty(CFDateFormatterRef formatter, CFStringRef key, CFTypeRef value);  // <CoreFoundation/CFDateFormatter.h>
CFStringRef CFDateFormatterCreateStringWithAbsoluteTime(CFAllocatorRef allocator, CFDateFormatterRef formatter, CFAbsoluteTime at);  // <CoreFoundation/CFDateFormatter.h>

extern const CFBooleanRef kCFBooleanTrue;  // <CoreFoundation/CFNumber.h>
extern const CFBooleanRef kCFBooleanFalse;  // <CoreFoundation/CFNumber.h>
CFTypeID CFBooleanGetTypeID(void);  // <CoreFoundation/CFNumber.h>
Boolean CFBooleanGetValue(CFBooleanRef boolean);  // <CoreFoundation/CFNumber.h>

CFPropertyListRef CFPreferencesCopyAppValue(CFStringRef key, CFStringRef applicationID);  // <CoreFoundation/CFPreferences.h>
void CFPreferencesSetAppValue(CFStringRef key, CFPropertyListRef value, CFStringRef applicationID);  // <CoreFoundation/CFPreferences.h>
Boolean CFPreferencesAppSynchronize(CFStringRef applicationID);  // <CoreFoundation/CFPreferences.h>
}
