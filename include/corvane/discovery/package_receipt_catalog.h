#pragma once
// The installer receipts folder read into one record per package: its identifier and the application
// bundle its payload installed, if any. Receipts of the system's own packages ("com.apple.") are left out.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "corvane/discovery/command_runner.h"
#include "corvane/base/url.h"

namespace corvane {

inline constexpr char kPackageToolPath[] = "/usr/sbin/pkgutil";
inline constexpr char kBomToolPath[] = "/usr/bin/lsbom";

struct PackageReceiptRecord {
  // The receipt's file name without its "bom" extension, case as on disk.
  std::string packageID;
  // Absolute, standardised path of the application bundle the package installed; absent when the bill
  // of materials lists none or cannot be read.
  std::optional<std::string> primaryPayloadAppPath;

  bool operator==(const PackageReceiptRecord&) const = default;
};

struct PackageReceiptCatalog {
  // The part of a receipt's property list that is read.
  struct ReceiptPlist {
    std::optional<std::string> InstallPrefixPath;
    bool operator==(const ReceiptPlist&) const = default;
  };

  // Every non-system receipt in `receiptsDirectory` (the layout's receipts folder), sorted by packageID.
  // Each bill of materials is listed through `runner` with "/usr/bin/lsbom -s FILE". Never fails: an
  // unreadable folder gives no records, an unreadable receipt property list the prefix "/".
  static std::vector<PackageReceiptRecord> load(const Url& receiptsDirectory, const CommandRunning& runner);

  // The receipt property list at `path`; none when it cannot be read or is not a dictionary whose
  // "InstallPrefixPath", when present, is text.
  static std::optional<ReceiptPlist> readReceiptPlist(const std::string& path);

  // The shallowest application bundle (not inside another bundle) in a "lsbom -s" listing, put under
  // `installPrefix` ("/" when empty, made absolute) and standardised; ties go to the path that sorts first.
  static std::optional<std::string> primaryAppPath(std::string_view bomListing, std::string_view installPrefix);
};

}  // namespace corvane
