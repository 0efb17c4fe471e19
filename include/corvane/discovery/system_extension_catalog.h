#pragma once
// The operating system's database of staged system extensions (network, driver and other extensions),
// kept in "/Library/SystemExtensions/db.plist", and the guidance that tells the user how such an
// extension is turned off (its staged copy must never be moved to the Trash).

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "corvane/model/file_finding.h"
#include "corvane/model/layout.h"
#include "corvane/formats/property_list.h"
#include "corvane/base/url.h"
#include "corvane/platform/file_system.h"

namespace corvane {

struct SystemExtensionRecord {
  std::string extID;                               // the extension's bundle identifier
  std::optional<std::string> uniqueID;             // names the folder that holds the staged copy
  std::optional<std::string> state;                // "activated_waiting_for_user", "terminated", ...
  std::vector<std::string> categories;             // "com.apple.system_extension.network_extension", ...
  std::optional<std::string> teamID;               // the extension's signing team
  std::optional<std::string> ownerAppBundlePath;   // standardised Mac path of the app that installed it
  std::vector<std::string> ownerAppIdentifiers;    // distinct, non-blank identifiers of referencing apps

  bool operator==(const SystemExtensionRecord&) const = default;
};

struct SystemExtensionCatalog {
  static constexpr std::string_view databaseFileName = "db.plist";
  // The database is a small file; anything larger is not read.
  static constexpr std::size_t maxDatabaseBytes = 16u << 20;

  static constexpr std::string_view networkExtensionCategory = "com.apple.system_extension.network_extension";
  static constexpr std::string_view driverExtensionCategory = "com.apple.system_extension.driver_extension";

  // The records of root/"db.plist" in the database's order. Never fails: a missing, unreadable or
  // malformed database gives an empty list, and a malformed entry is skipped alone.
  //
  // Owner bundle paths are kept as the Mac records them ("/Applications/Foo.app"); a copied or sample
  // tree finds them through Layout::hostPath.
  static std::vector<SystemExtensionRecord> load(const Url& systemExtensionsRoot,
                                                 const platform::FileSystem& fs = platform::realFileSystem());
  // The database of the layout's machine (layout.systemExtensions()).
  static std::vector<SystemExtensionRecord> load(const Layout& layout);
  // The records of an already parsed database, by the same rules as load.
  static std::vector<SystemExtensionRecord> records(const PropertyList& database);

  // How to turn off the extension at `ext` (a staged ".systemextension"/".dext" or a ".kext"), told
  // with what the record knows: one removalGuidance entry of weight 0.
  static MatchEvidence removalGuidance(const std::optional<SystemExtensionRecord>& record, const Url& ext);

  bool operator==(const SystemExtensionCatalog&) const = default;
};

}  // namespace corvane

template <>
struct std::hash<corvane::SystemExtensionRecord> {
  std::size_t operator()(const corvane::SystemExtensionRecord& v) const noexcept;
};
