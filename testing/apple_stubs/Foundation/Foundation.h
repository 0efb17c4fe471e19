// The Foundation classes, methods and constants the Trash file uses, each from the header named beside it;
// see ../README.md.
#pragma once
#include <CoreFoundation/CoreFoundation.h>

typedef signed char BOOL;  // <objc/objc.h>
#define YES ((BOOL)1)  // <objc/objc.h>
#define NO ((BOOL)0)  // <objc/objc.h>
#define nil nullptr  // <objc/objc.h>
typedef long NSInteger;  // <objc/NSObjCRuntime.h>

@interface NSObject  // <objc/NSObject.h>
@end

@interface NSString : NSObject  // <Foundation/NSString.h>
@property(readonly) const char* UTF8String;  // <Foundation/NSString.h>
- (BOOL)isEqualToString:(NSString*)aString;  // <Foundation/NSString.h>
@end

typedef NSString* NSErrorDomain;  // <Foundation/NSError.h>
typedef NSString* NSErrorUserInfoKey;  // <Foundation/NSError.h>

@interface NSDictionary<KeyType, ObjectType> : NSObject  // <Foundation/NSDictionary.h>
- (ObjectType)objectForKeyedSubscript:(KeyType)key;  // <Foundation/NSDictionary.h>
@end

@interface NSError : NSObject  // <Foundation/NSError.h>
@property(readonly, copy) NSErrorDomain domain;  // <Foundation/NSError.h>
@property(readonly) NSInteger code;  // <Foundation/NSError.h>
@property(readonly, copy) NSDictionary<NSErrorUserInfoKey, id>* userInfo;  // <Foundation/NSError.h>
@property(readonly, copy) NSString* localizedDescription;  // <Foundation/NSError.h>
@end

extern "C" {
extern NSErrorDomain const NSPOSIXErrorDomain;  // <Foundation/NSError.h>
extern NSErrorUserInfoKey const NSUnderlyingErrorKey;  // <Foundation/NSError.h>
}

@interface NSURL : NSObject  // <Foundation/NSURL.h>
+ (NSURL*)fileURLWithFileSystemRepresentation:(const char*)path isDirectory:(BOOL)isDir relativeToURL:(NSURL*)baseURL;  // <Foundation/NSURL.h>
@property(readonly) const char* fileSystemRepresentation;  // <Foundation/NSURL.h>
@end

@interface NSFileManager : NSObject  // <Foundation/NSFileManager.h>
@property(class, readonly, strong) NSFileManager* defaultManager;  // <Foundation/NSFileManager.h>
- (BOOL)trashItemAtURL:(NSURL*)url resultingItemURL:(NSURL**)outResultingURL error:(NSError**)error;  // <Foundation/NSFileManager.h>
@end
