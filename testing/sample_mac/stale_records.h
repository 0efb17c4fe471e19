#pragma once
// System records left behind by apps that are no longer on the sample Mac: installer receipts, a staged
// system extension and background-item registrations in every kind of scope. Built on top of the demo
// (buildDemoMac) or on a bare sample Mac.

#include <string>

#include "sample_mac/sample_mac.h"

namespace corvane::testing {

// The apps these records belong to are gone, except where noted.
inline constexpr const char* kStaleReceiptPackage = "com.driftwood.sync";            // .bom and .plist
inline constexpr const char* kStaleReceiptPlistOnly = "com.driftwood.sync.helper";   // only the .plist left
inline constexpr const char* kInstalledAppReceipt = "com.northwindsoftware.writer.installer";  // demo app present
inline constexpr const char* kStaleExtension = "com.driftwood.sync.filter";
inline constexpr const char* kStaleExtensionUniqueID = "7A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D";
inline constexpr const char* kSystemSentinelScope = "FFFFEEEE-DDDD-CCCC-BBBB-AAAAAAAAAAAA";

// Adds the stale records:
// - receipts: kStaleReceiptPackage (its app "/Applications/Driftwood Sync.app" is missing),
//   kStaleReceiptPlistOnly (its .bom is gone, so the receipt catalog does not list it) and
//   kInstalledAppReceipt (for "/Applications/Northwind/Northwind Writer.app", present in the demo);
// - kStaleExtension, staged under Library/SystemExtensions/<kStaleExtensionUniqueID>/, owned by the
//   missing Driftwood Sync app, added to the extensions already in the database;
// - background items in the user's scope (kDemoUserScope): com.driftwood.sync.agent (type 8, enabled),
//   com.driftwood.sync.updater (type 8, disabled), com.driftwood.sync.launcher (a hidden login item),
//   com.quillpad.editor.agent (its app in the user's .Trash), com.tapedeck.backup.agent (on the unmounted
//   "/Volumes/Backup") and com.driftwood.devtools (type 32); com.driftwood.sync.agent again in the other
//   user's scope and com.driftwood.sync.daemon in the system's scope. When the demo's store is there, its
//   items stay in the rewritten store.
void addStaleSystemRecords(SampleMac& mac);

}  // namespace corvane::testing
