#pragma once
// Leftovers of applications that are no longer installed: entries of the user's Library folders named
// after a bundle identifier that no installed or running application explains, crash reports of apps the
// uninstall history says were removed, stale installer receipts, staged system extensions of apps that
// are gone, and background-item records without an owner. Grouped by the suspected identifier, each with
// its evidence, and never graded Safe to Remove. It only reads.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "corvane/analysis/running_applications.h"
#include "corvane/discovery/background_item_record.h"
#include "corvane/discovery/background_items_store.h"
#include "corvane/discovery/command_runner.h"
#include "corvane/discovery/package_receipt_catalog.h"
#include "corvane/model/app_identity.h"
#include "corvane/model/finding_kind.h"
#include "corvane/model/layout.h"
#include "corvane/model/removal_records.h"

namespace corvane {

struct OrphanScanResult {
  std::vector<OrphanGroup> groups;  // sorted by suspected identifier
  BackgroundItemStoreStatus backgroundItemStoreStatus;
  // The application folders that could not be read. Without them nothing can be told apart from the data
  // of an installed app, so such a scan is incomplete and claims no orphan (`groups` is empty).
  std::vector<std::string> unreadableApplicationFolders;

  bool isComplete() const { return unreadableApplicationFolders.empty(); }
  bool operator==(const OrphanScanResult&) const = default;
};

class OrphanScanner {
 public:
  // One folder whose direct children are examined, and the kind given to what is found there.
  struct Root {
    Url url;
    FindingKind kind = FindingKind::other;
    bool operator==(const Root&) const = default;
  };

  // Every fact the scan works from, so that it can run on prepared folders.
  struct Facts {
    std::set<std::string> installedBundleIdentifiers;  // any case, embedded bundles included
    std::vector<Root> roots;
    std::set<std::string> runningBundleIdentifiers;  // any case
    std::vector<AppIdentity> knownRemovedIdentities;
    std::vector<Root> diagnosticRoots;
    std::map<std::string, std::string> installedVendors;  // vendor prefix -> installed application name
    std::optional<std::string> systemExtensionsRoot;
    std::vector<PackageReceiptRecord> packageReceipts;
    std::optional<std::string> packageReceiptsDirectory;
    std::vector<BackgroundItemRecord> backgroundItems;
    std::set<std::string> suppressedBackgroundItemLabels;
    // Whether something exists at an absolute host path; empty: the file system is asked.
    std::function<bool(const std::string& path)> ownerExists;
    // Told the number of folder entries examined so far, after each one; empty: nobody is told.
    std::function<void(std::uint64_t examined)> progress;
  };

  struct Collaborators {
    // The running applications; empty: the system's list.
    std::function<std::vector<RunningApplication>()> runningApplications;
    // Runs the receipt tools; null: the layout's own (the system's tools only for the live system).
    std::shared_ptr<const CommandRunning> receiptTools;
    // Now; empty: the clock.
    std::function<Date()> now;
    // Told the number of folder entries examined so far (for a progress line); empty: nobody is told.
    std::function<void(std::uint64_t examined)> progress;
  };

  // Scans the Mac the layout describes: its home Library, receipts, system extensions and background
  // items. Paths read from Mac data (a background item's executable, a receipt's app) are Mac paths,
  // looked up where the layout keeps them.
  explicit OrphanScanner(Layout layout, Collaborators collaborators = {});

  // Hears each group once it is complete, in key order; a group is never handed out twice.
  using GroupSink = std::function<void(OrphanGroup&& group)>;

  // The public scan: gathers the facts of the layout and runs the inner scan; incomplete (no groups) when
  // the layout's application folders cannot be read.
  OrphanScanResult scan(const std::vector<InstalledApplication>& installedApplications,
                        const std::vector<AppIdentity>& knownRemovedIdentities,
                        const std::set<std::string>& suppressedBackgroundItemLabels) const;
  // The same, each group handed to `sink` as soon as it is complete rather than kept: the result's `groups`
  // stay empty, and only one group's findings are held at a time.
  OrphanScanResult scan(const std::vector<InstalledApplication>& installedApplications,
                        const std::vector<AppIdentity>& knownRemovedIdentities,
                        const std::set<std::string>& suppressedBackgroundItemLabels, const GroupSink& sink) const;
  // The inner scan, from the given facts only.
  std::vector<OrphanGroup> scan(const Facts& facts) const;
  void scan(const Facts& facts, const GroupSink& sink) const;

  // The name of a Library entry as a bundle identifier ("com.acme.Tool.plist" -> "com.acme.Tool").
  static std::optional<std::string> inferredBundleIdentifier(const std::string& name);
  // "com.acme.tool" -> "com.acme"; "io.github.alice.tool" -> "io.github.alice".
  static std::optional<std::string> vendorPrefix(const std::string& identifier);
  static bool isKnownSharedSDKComponent(const std::string& identifier);
  static bool isLikelyTestFixture(const std::string& identifier);
  // Either identifier continues the other ("com.vendor.app.helper" and "com.vendor.app"); `installedLower`
  // is lower-cased.
  static bool hasInstalledOwner(const std::string& identifier, const std::set<std::string>& installedLower);
  // The bundle identifiers of the applications and of every bundle embedded in them (to depth 4).
  static std::set<std::string> installedIdentifiers(const std::vector<InstalledApplication>& installedApplications);

  // The background-item record of type 8 (a login launch agent) behind the orphan group of `label`, for
  // turning it off; none when no such record is an orphan under exactly that label, or when the layout's
  // application folders cannot be read (every item would then look orphaned).
  std::optional<BackgroundItemRecord> removableBackgroundItemOrphan(
      const std::string& label, const std::vector<BackgroundItemRecord>& items,
      const std::vector<InstalledApplication>& installedApplications,
      const std::function<bool(const std::string& path)>& ownerExists = {}) const;

  const Layout& layout() const { return layout_; }

 private:
  Layout layout_;
  Collaborators collaborators_;
};

}  // namespace corvane
