#pragma once
// An item's on-disk identity as it is now.

#include <optional>

#include "corvane/base/url.h"
#include "corvane/model/disk_identity.h"
#include "platform/file_status.h"

namespace corvane::platform {

// The item's identity now (lstat: a final link is not followed); none when the item is missing or
// cannot be examined.
std::optional<DiskIdentity> diskIdentityOf(const Url& at);
// The identity in a status read by identityStatus.
DiskIdentity identityIn(const FileStatus& status);

}  // namespace corvane::platform
