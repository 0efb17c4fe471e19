#import <Foundation/Foundation.h>

#include "platform/trash.h"

namespace corvane::platform {

bool systemChoosesTrashFolder() { return true; }

Result<std::optional<std::string>> moveItemToTrash(const std::string& path, const std::string&,
                                                   const std::function<std::string(std::uint64_t)>&) {
  @autoreleasepool {
    NSString* text = [[NSFileManager defaultManager] stringWithFileSystemRepresentation:path.c_str()
                                                                                length:path.size()];
    NSURL* url = [NSURL fileURLWithPath:text];
    NSURL* landed = nil;
    NSError* error = nil;
    if (![[NSFileManager defaultManager] trashItemAtURL:url resultingItemURL:&landed error:&error]) {
      int code = 0;
      NSError* underlying = error.userInfo[NSUnderlyingErrorKey];
      if ([underlying.domain isEqualToString:NSPOSIXErrorDomain]) code = static_cast<int>(underlying.code);
      const char* description = error.localizedDescription.UTF8String;
      return Error{code, {}, {}, description ? description : "The item could not be moved to the Trash."};
    }
    if (landed == nil || landed.fileSystemRepresentation == nullptr) return std::optional<std::string>();
    return std::optional<std::string>(std::string(landed.fileSystemRepresentation));
  }
}

}  // namespace corvane::platform
