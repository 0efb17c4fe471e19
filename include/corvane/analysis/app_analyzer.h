#pragma once
// The entry point of the analysis: builds an application's full identity, walks the fixed Library
// locations, scores every candidate, arbitrates against the co-installed applications, grades each
// finding and returns one snapshot. It only reads.

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "corvane/model/app_identity.h"
#include "corvane/model/file_finding.h"
#include "corvane/model/layout.h"
#include "corvane/analysis/match_engine.h"
#include "corvane/analysis/running_applications.h"
#include "corvane/discovery/signature_inspector.h"
#include "corvane/discovery/system_extension_catalog.h"
#include "corvane/platform/file_system.h"

namespace corvane {

class AppAnalyzer {
 public:
  enum class MatchMode { identifier, groupContainer, plugin, byHost, recentDocuments, systemExtension };

  struct SearchLocation {
    Url url;
    FindingKind kind = FindingKind::other;
    bool isProtected = false;  // a system-level location
    int maxDepth = 1;          // 1 = the folder's direct children only
    MatchMode mode = MatchMode::identifier;
    bool operator==(const SearchLocation&) const = default;
  };

  // What the analyzer needs to know of the bundle's embedded login items, extensions and agents.
  struct ComponentFacts {
    std::vector<MatchEvidence> evidence;
    std::vector<std::string> identifiers;
  };

  using SignatureInspect = std::function<SignatureFacts(const Url&)>;
  using ReceiptMatcher =
      std::function<std::vector<std::string>(const std::optional<std::string>& bundleIdentifier,
                                             const std::string& appName)>;
  using ComponentInspect = std::function<ComponentFacts(const Url&)>;

  // What the analyzer asks of the machine. Each one left empty is the real machine described by the
  // layout the analyzer is made with.
  struct Collaborators {
    SignatureInspect inspect;
    ReceiptMatcher receiptInspector;
    ComponentInspect componentInspector;
    std::function<std::vector<RunningApplication>()> runningApplications;
    std::function<bool(const Url&)> requiresAdministrator;
    std::function<std::vector<SystemExtensionRecord>(const Url& systemExtensionsRoot)> loadSystemExtensions;
    std::function<Date()> now;
    // Where the locations are listed and items examined.
    std::shared_ptr<const platform::FileSystem> fileSystem;
  };

  struct Options {
    // After the base rules, the extended matching (vendor folders, team-prefixed identifiers, short names,
    // helpers, deeper items; every such finding held at Review) and the co-installed apps' name claims.
    bool extendedMatching = true;
    // Last, the system's own Library items (its list of names) are never offered to an app that is not
    // Apple's own, and a folder that many apps share is never offered whole.
    bool systemOwnership = true;
    // Told of each item the system's ownership withheld, with the claim as its last evidence entry.
    std::function<void(FileFinding)> withheld;
  };

  // The machine this process runs on.
  AppAnalyzer();
  explicit AppAnalyzer(Layout layout, Collaborators collaborators = {});
  AppAnalyzer(Layout layout, Collaborators collaborators, Options options);

  static const std::vector<std::string> kDefaultPluginDirectories;

  // The usual entry point: one installed application and every installed application.
  AnalysisSnapshot analyze(const InstalledApplication& app, const std::vector<InstalledApplication>& coInstalled) const;

  // The full analysis. Absent folders default to the layout's home Library, system Library and
  // receipts folder.
  AnalysisSnapshot analyze(const AppIdentity& identity, const Url& appURL,
                           const std::vector<MatchEvidence>& embeddedEvidence,
                           const std::vector<AppIdentity>& coInstalled,
                           const std::optional<Url>& homeLibrary = std::nullopt,
                           const std::optional<Url>& system = std::nullopt,
                           const std::optional<Url>& receiptsDirectory = std::nullopt) const;

  // What the bundle's embedded components say, as this analyzer reads them.
  ComponentFacts componentFacts(const Url& appURL) const { return machine.componentInspector(appURL); }
  std::vector<AppIdentity> signatureEnrichedPeers(const AppIdentity& target,
                                                  const std::vector<InstalledApplication>& peers) const;
  static std::set<std::string> vendorPrefixes(const std::optional<std::string>& bundleIdentifier,
                                              const std::optional<std::string>& signingIdentifier);
  static bool peerSharesVendor(const std::string& bundleIdentifier, const std::set<std::string>& prefixes);

  std::vector<SearchLocation> searchLocations(const Url& homeLibrary, const Url& system) const;
  // The entries below `root`, pre-order, hidden ones skipped, links leading out of the folder dropped
  // (links resolved as the layout's Mac resolves them).
  std::vector<Url> contents(const Url& root, int maxDepth) const;
  bool isRunning(const AppIdentity& identity, const Url& appURL) const;

  struct Arbitration {
    bool suppress = false;
    bool capReview = false;
    bool operator==(const Arbitration&) const = default;
  };
  Arbitration arbitrate(const Url& url, const AppIdentity& identity, const std::vector<AppIdentity>& coInstalled,
                        bool groupContainer, const std::vector<std::string>& extraCandidates) const;

  // `isFile`: the entry is known to be a plain file, so it holds no container metadata to read.
  std::optional<FileFinding> evaluate(const Url& url, const SearchLocation& location, const AppIdentity& identity,
                                      const Url& appURL, bool running, const std::vector<AppIdentity>& coInstalled,
                                      const std::vector<SystemExtensionRecord>& catalog, bool isFile = false) const;

 private:
  Layout layout;
  Collaborators machine;  // every member filled: the real machine where the caller left one empty
  std::vector<std::string> pluginDirectories;
  std::set<std::string> systemExtensionExtensions;
  Options options;

  // The extended matching's pass (analysis/extended_pass.cpp): it sees, while the locations are walked,
  // every entry the base rules pass over and the entries below the listed depth it asks to enter.
  friend class ExtendedPass;

  // One walked entry, as the walk's visitor sees it.
  struct WalkedEntry {
    const std::string& path;
    const std::string& name;
    bool isFile;
    bool isFolder;
    std::size_t depth;  // 1 = a direct child of the walked folder
  };
  // Calls `visit` for each entry contents() would return, in the same order, to `maxDepth`; a folder is
  // entered only when `visit` returns true for it.
  void visitContents(const Url& root, int maxDepth, const std::function<bool(const WalkedEntry&)>& visit) const;
  FileFinding bundleFinding(const AppIdentity& identity, const Url& appURL,
                            const std::vector<MatchEvidence>& embeddedEvidence, bool running) const;
};

}  // namespace corvane
