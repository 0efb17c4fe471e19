#import <Foundation/Foundation.h>

#include <cerrno>

#include "platform/trash.h"

namespace corvane::platform {

bool systemChoosesTrashFolder() { return true; }

Result<std::optional<std::string>> moveItemToSystemTrash(const std::string& path) {
  // A relative or empty path would name something in the working folder.
  if (path.empty() || path.front() != '/' || path.find('\0') != std::string::npos)
    return Error::fromErrno(EINVAL, "move to Trash", path);
  @autoreleasepool {
    NSURL* url = [NSURL fileURLWithFileSystemRepresentation:path.c_str() isDirectory:NO relativeToURL:nil];
    if (url == nil) return Error::fromErrno(EINVAL, "move to Trash", path);
    NSURL* landed = nil;
    NSError* error = nil;
    if (![[NSFileManager defaultManager] trashItemAtURL:url resultingItemURL:&landed error:&error]) {
      // The error number: the error's own when it is a POSIX one, else that of the POSIX error under it.
      int code = 0;
      NSError* underlying = error.userInfo[NSUnderlyingErrorKey];
      if ([error.domain isEqualToString:NSPOSIXErrorDomain])
        code = static_cast<int>(error.code);
      else if ([underlying.domain isEqualToString:NSPOSIXErrorDomain])
        code = static_cast<int>(underlying.code);
      const char* description = error.localizedDescription.UTF8String;
      return Error{code, {}, {}, description ? description : "The item could not be moved to the Trash."};
    }
    if (landed == nil || landed.fileSystemRepresentation == nullptr) return std::optional<std::string>();
    return std::optional<std::string>(std::string(landed.fileSystemRepresentation));
  }
}

}  // namespace corvane::platform
