#include "corvane/discovery/package_receipt_catalog.h"

#include <algorithm>
#include <limits>

#include "corvane/formats/property_list.h"
#include "discovery/tool_output.h"
#include "corvane/platform/file_system.h"
#include "platform/unicode.h"
#include "platform/format_files.h"

namespace corvane {

namespace {

// Receipt property lists are a few hundred bytes; anything far larger is not one.
constexpr std::size_t kMaxReceiptPlistBytes = 1u << 20;

bool hasAppExtension(std::string_view component) {
  return platform::lowercased(component).ends_with(".app");
}

std::vector<std::string_view> components(std::string_view path) {
  std::vector<std::string_view> parts;
  while (!path.empty()) {
    std::size_t slash = path.find('/');
    std::string_view part = path.substr(0, slash);
    if (!part.empty()) parts.push_back(part);
    if (slash == std::string_view::npos) break;
    path.remove_prefix(slash + 1);
  }
  return parts;
}

}  // namespace

std::optional<PackageReceiptCatalog::ReceiptPlist> PackageReceiptCatalog::readReceiptPlist(const std::string& path) {
  PlistLimits limits;
  limits.maxBytes = kMaxReceiptPlistBytes;
  auto plist = plist::readFile(path, limits);
  if (!plist.has_value() || !plist->asDictionary()) return std::nullopt;
  ReceiptPlist receipt;
  if (const PropertyList* prefix = plist->find("InstallPrefixPath")) {
    if (!prefix->asString()) return std::nullopt;
    receipt.InstallPrefixPath = *prefix->asString();
  }
  return receipt;
}

std::optional<std::string> PackageReceiptCatalog::primaryAppPath(std::string_view bomListing,
                                                                 std::string_view installPrefix) {
  std::optional<std::string> best;
  std::size_t bestDepth = std::numeric_limits<std::size_t>::max();
  for (const std::string& line : tool_output::nonEmptyLines(bomListing)) {
    std::string_view path = line;
    while (!path.empty() && (path.front() == ' ' || path.front() == '\t')) path.remove_prefix(1);
    while (!path.empty() && (path.back() == ' ' || path.back() == '\t')) path.remove_suffix(1);
    while (path.starts_with("./")) path.remove_prefix(2);
    while (path.starts_with("/")) path.remove_prefix(1);
    if (path.empty() || path == ".") continue;
    std::vector<std::string_view> parts = components(path);
    if (parts.empty() || !hasAppExtension(parts.back())) continue;
    if (std::any_of(parts.begin(), parts.end() - 1, hasAppExtension)) continue;  // inside another bundle
    std::size_t depth = parts.size();
    if (depth < bestDepth || (depth == bestDepth && path != *best && path < *best)) {
      best = std::string(path);
      bestDepth = depth;
    }
  }
  if (!best) return std::nullopt;

  std::string prefix = installPrefix.empty() ? "/" : std::string(installPrefix);
  if (!prefix.starts_with("/")) prefix.insert(0, "/");
  if (!prefix.ends_with("/")) prefix += "/";
  return url::standardizedPath(prefix + *best);
}

std::vector<PackageReceiptRecord> PackageReceiptCatalog::load(const Url& receiptsDirectory,
                                                              const CommandRunning& runner) {
  const std::string folder = receiptsDirectory.path();
  auto entries = platform::realFileSystem().list(folder);
  if (!entries.has_value()) return {};

  std::vector<PackageReceiptRecord> records;
  for (const platform::FolderEntry& entry : entries->entries) {
    Url file = receiptsDirectory.appending(entry.name);
    if (platform::lowercased(file.pathExtension()) != "bom") continue;
    std::string packageID = entry.name.substr(0, entry.name.size() - file.pathExtension().size() - 1);
    if (packageID.empty() || platform::lowercased(packageID).starts_with("com.apple.")) continue;

    std::string prefix = "/";
    if (auto receipt = readReceiptPlist(receiptsDirectory.appending(packageID + ".plist").path());
        receipt && receipt->InstallPrefixPath)
      prefix = *receipt->InstallPrefixPath;
    std::string listing = runner.run(kBomToolPath, {"-s", file.path()}).value_or("");
    records.push_back({std::move(packageID), primaryAppPath(listing, prefix)});
  }
  std::stable_sort(records.begin(), records.end(),
                   [](const PackageReceiptRecord& a, const PackageReceiptRecord& b) { return a.packageID < b.packageID; });
  return records;
}

}  // namespace corvane
