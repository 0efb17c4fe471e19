#pragma once
// What the Trash listing asks of one top-level entry beyond its status.

#include <cstdint>
#include <string>

#include "corvane/base/result.h"

namespace corvane::platform {

// When the item was put into the folder it is in, in seconds since 1970: the file system's added-to-folder
// date where it keeps one; elsewhere the last status change, which moving the item into the folder sets.
// Fails with the errno when the item cannot be examined (ENOTSUP when its file system keeps no such date).
// A final link is not followed.
Result<std::int64_t> addedToFolderSeconds(const std::string& path);

// Whether the item is a cloud placeholder whose content is not on this disk. Always false where the
// system has no such placeholders.
bool isDatalessItem(const std::string& path);

}  // namespace corvane::platform
