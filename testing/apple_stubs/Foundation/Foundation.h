// The Foundation classes, methods and constants the Trash file uses, as documented (NSObject, NSString,
// NSDictionary, NSError, NSURL, NSFileManager); see ../README.md.
#pragma once
#include <CoreFoundation/CoreFoundation.h>

typedef signed char BOOL;
#define YES ((BOOL)1)
#define NO ((BOOL)0)
#define nil nullptr
typedef long NSInteger;

@interface NSObject
@end

@interface NSString : NSObject
@property(readonly) const char* UTF8String;
- (BOOL)isEqualToString:(NSString*)aString;
@end

typedef NSString* NSErrorDomain;
typedef NSString* NSErrorUserInfoKey;

@interface NSDictionary<KeyType, ObjectType> : NSObject
- (ObjectType)objectForKeyedSubscript:(KeyType)key;
@end

@interface NSError : NSObject
@property(readonly, copy) NSErrorDomain domain;
@property(readonly) NSInteger code;
@property(readonly, copy) NSDictionary<NSErrorUserInfoKey, id>* userInfo;
@property(readonly, copy) NSString* localizedDescription;
@end

extern "C" {
extern NSErrorDomain const NSPOSIXErrorDomain;
extern NSErrorUserInfoKey const NSUnderlyingErrorKey;
}

@interface NSURL : NSObject
+ (NSURL*)fileURLWithFileSystemRepresentation:(const char*)path
                                  isDirectory:(BOOL)isDir
                                relativeToURL:(NSURL*)baseURL;
@property(readonly) const char* fileSystemRepresentation;
@end

@interface NSFileManager : NSObject
@property(class, readonly, strong) NSFileManager* defaultManager;
- (BOOL)trashItemAtURL:(NSURL*)url resultingItemURL:(NSURL**)outResultingURL error:(NSError**)error;
@end
