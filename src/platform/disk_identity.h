#pragma once
// An item's on-disk identity as it is now.

#include "corvane/base/result.h"
#include "corvane/base/url.h"
#include "corvane/model/disk_identity.h"
#include "platform/file_status.h"

namespace corvane::platform {

// The item's identity now (lstat: a final link is not followed); fails with the errno when the item is
// missing or cannot be examined.
Result<DiskIdentity> diskIdentityOf(const Url& at);
// The identity in a status read by identityStatus.
DiskIdentity identityIn(const FileStatus& status);

}  // namespace corvane::platform
