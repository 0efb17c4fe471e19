#pragma once
// Why a move to the Trash failed: the file-system facts around the item and the category they give.

#include <array>
#include <string_view>

#include "corvane/analysis/file_access_checks.h"
#include "corvane/model/layout.h"
#include "corvane/model/removal_records.h"
#include "corvane/base/url.h"

namespace corvane {

struct RemovalFailureContext {
  bool itemExists = false;
  bool parentWritable = false;
  bool itemWritable = false;
  bool isDirectory = false;
  bool underProtectedUserLocation = false;

  RemovalFailureContext() = default;
  RemovalFailureContext(bool exists, bool parentIsWritable, bool underProtected, bool itemIsWritable,
                        bool directory)
      : itemExists(exists),
        parentWritable(parentIsWritable),
        itemWritable(itemIsWritable),
        isDirectory(directory),
        underProtectedUserLocation(underProtected) {}

  bool operator==(const RemovalFailureContext&) const = default;
};

namespace RemovalFailureClassifier {

// The folders below the home folder that the system's privacy protection guards, in order.
inline constexpr std::array<std::string_view, 14> kProtectedUserLocations = {
    "/Library/Containers",
    "/Library/Group Containers",
    "/Library/Application Support/com.apple.TCC",
    "/Library/Application Support/CallHistoryDB",
    "/Library/Application Support/AddressBook",
    "/Library/Application Support/MobileSync",
    "/Library/Mail",
    "/Library/Safari",
    "/Library/Cookies",
    "/Library/Messages",
    "/Library/HomeKit",
    "/Library/IdentityServices",
    "/Library/Suggestions",
    "/Library/Metadata/CoreSpotlight",
};

// The item's facts as they are now: whether it exists (links followed) and is a folder, whether its
// parent folder and the item itself are writable, and whether it lies below a protected location of
// the layout's home folder.
RemovalFailureContext context(const Url& url, const Layout& layout, const FileAccessChecks& checks);

// First matching rule: missing -> itemMissing; protected -> fullDiskAccess; parent not writable, or a
// folder that is not writable -> needsAdministrator; otherwise other.
RemovalFailureReason reason(const RemovalFailureContext& context);

// Both paths standardised; true when the url's path is home + a protected entry, or lies below one.
// Exact, case-sensitive comparison: Library/Mailbox is not below Library/Mail.
bool isUnderProtectedUserLocation(const Url& url, const Url& home);

}  // namespace RemovalFailureClassifier

}  // namespace corvane
