// A message that Foundation does not declare, and a wrong argument type: refused with and without ARC.
// expect: fileURLWithPath:
// expect: cannot initialize a parameter of type 'NSURL *'
#import <Foundation/Foundation.h>

NSURL* wrongSelector(NSString* path) { return [NSURL fileURLWithPath:path]; }

BOOL wrongArgument(const char* path) {
  return [[NSFileManager defaultManager] trashItemAtURL:path resultingItemURL:nil error:nil];
}
