#pragma once
// Writes the system-extensions database ("Library/SystemExtensions/db.plist" under a sample Mac's root)
// and the staged copies the system keeps beside it, one folder per copy named by its unique identifier.

#include <optional>
#include <string>
#include <vector>

#include "corvane/formats/property_list.h"
#include "sample_mac/sample_mac.h"

namespace corvane::testing {

// One extension as the system records it.
struct SampleSystemExtension {
  std::string identifier;
  std::optional<std::string> uniqueID;  // an upper-case UUID on a real Mac
  std::optional<std::string> state;     // "activated_enabled", "activated_waiting_for_user", "terminated", ...
  std::vector<std::string> categories;
  std::optional<std::string> teamID;
  // The container's "bundlePath" as the real machine writes it ("/Applications/Foo.app"), not under root.
  std::optional<std::string> bundlePath;
  // One reference per identifier, signed by teamID.
  std::vector<std::string> appIdentifiers;
  // The staged copy's folder name inside the uniqueID folder ("com.vendor.net.systemextension"); no staged
  // copy is written when empty or without a uniqueID.
  std::string stagedBundleName;
};

enum class DatabaseFormat { xml, binary };

// The database entry of one extension, with the keys the system writes (a few that readers ignore, such
// as "stagedBundleURL" and "version", included).
PropertyList systemExtensionEntry(const SampleSystemExtension& extension);

// Writes root/Library/SystemExtensions/db.plist whose "extensions" are `entries` as given (tests may pass
// malformed ones), with the other top-level keys a real database has; returns the file's path.
std::string writeSystemExtensionsDatabase(const SampleMac& mac, const std::vector<PropertyList>& entries,
                                          DatabaseFormat format = DatabaseFormat::xml);

// Writes a staged bundle root/Library/SystemExtensions/<uniqueID>/<bundleName> with Contents/Info.plist
// carrying `bundleIdentifier`, and an executable; returns the bundle's path.
std::string addStagedSystemExtension(const SampleMac& mac, const std::string& uniqueID, const std::string& bundleName,
                                     const std::string& bundleIdentifier);

// The database for `extensions` and a staged copy of each that names one; returns the database's path.
std::string addSystemExtensions(const SampleMac& mac, const std::vector<SampleSystemExtension>& extensions,
                                DatabaseFormat format = DatabaseFormat::xml);

}  // namespace corvane::testing
