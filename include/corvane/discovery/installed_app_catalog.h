#pragma once
// What Corvane remembers of every installed application it has listed: enough of its identity to find its
// leftovers once it is gone, even when its bundle was deleted outright and the Trash emptied.
//
// The catalog is one JSON file in Corvane's own folder (home + "Library/Application Support/Corvane/
// installed-apps.json"): an object {"schemaVersion": 1, "apps": [...]}, one entry per bundle identifier,
// sorted by it. Every change takes the exclusive lock ".installed-apps.json.lock" beside the file, reads the
// file again under it, merges, and replaces the file atomically, so two processes listing apps at once keep
// each other's entries. A missing or unreadable file is an empty catalog (an unreadable one is replaced by
// the next write). Entries are never removed by listing: an app that is no longer listed is exactly what the
// catalog is for. Beyond kMaxCatalogEntries the entries seen longest ago are dropped.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "corvane/base/date.h"
#include "corvane/base/result.h"
#include "corvane/model/app_identity.h"
#include "corvane/model/layout.h"
#include "corvane/model/signature_facts.h"

namespace corvane {

struct CatalogedApp {
  std::string bundleIdentifier;
  std::string name;                           // CFBundleDisplayName or CFBundleName as written, else the file name
  std::optional<std::string> localizedName;   // what the Finder shows, when it differs from `name`
  std::optional<std::string> executable;      // CFBundleExecutable
  std::optional<std::string> teamIdentifier;
  std::optional<std::string> signingIdentifier;
  std::optional<std::string> version;
  std::string path;  // the bundle's Mac path ("/Applications/Tool.app")
  Date lastSeen{};

  // The identity the analysis searches with: the names, the bundle and signing identifiers and the team.
  AppIdentity identity() const;

  bool operator==(const CatalogedApp&) const = default;
};

inline constexpr std::size_t kMaxCatalogEntries = 20000;
inline constexpr std::size_t kMaxCatalogFileBytes = 64u * 1024 * 1024;

class InstalledAppCatalog {
 public:
  // Reads a bundle's code signature; the catalog asks only for bundles it has not seen at that path and version.
  using SignatureReader = std::function<SignatureFacts(const Url& bundleURL)>;

  // The layout's catalog file; without a reader the bundle's own signature is read (SignatureInspector).
  explicit InstalledAppCatalog(Layout layout, SignatureReader readSignature = {});

  const std::string& filePath() const { return path_; }

  // Every entry, sorted by bundle identifier; empty for a missing or unreadable file.
  std::vector<CatalogedApp> load() const;
  // The entry of a bundle identifier (compared without regard to case).
  std::optional<CatalogedApp> find(const std::string& bundleIdentifier) const;

  // Adds or refreshes the listed applications (those without a bundle identifier are skipped), as seen at
  // `now`. Returns the catalog as written.
  Result<std::vector<CatalogedApp>> record(const std::vector<InstalledApplication>& apps, Date now) const;

  // The entries whose bundle identifier no listed application has: apps that are gone.
  static std::vector<CatalogedApp> removed(const std::vector<CatalogedApp>& catalog,
                                           const std::vector<InstalledApplication>& installed);

 private:
  CatalogedApp describe(const InstalledApplication& app, const std::vector<CatalogedApp>& known, Date now) const;

  Layout layout_;
  SignatureReader readSignature_;
  std::string path_;
};

}  // namespace corvane
