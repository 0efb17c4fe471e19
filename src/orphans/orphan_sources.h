#pragma once
// The system records an app that is gone can leave behind, added to the orphan scan's groups under
// prefixed keys: "installer-receipt:" + package id, "system-extension:" + extension id and
// "background-item:" + owner label. All of them are Review, never more.

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "corvane/discovery/background_item_record.h"
#include "corvane/discovery/package_receipt_catalog.h"
#include "corvane/discovery/system_extension_catalog.h"
#include "corvane/model/file_finding.h"
#include "corvane/model/layout.h"

namespace corvane::orphans {

// Group key -> findings in discovery order.
using GroupMap = std::map<std::string, std::vector<FileFinding>>;

// What every source shares with the scan: lower-cased installed (and embedded) and running bundle
// identifiers, the existence test on host paths, and the layout that maps Mac paths to host paths.
struct SourceContext {
  const std::set<std::string>& installedLower;
  const std::set<std::string>& runningLower;
  const std::function<bool(const std::string& hostPath)>& ownerExists;
  const Layout& layout;
};

void appendOrphanReceipts(GroupMap& groups, const std::vector<PackageReceiptRecord>& receipts,
                          const std::string& receiptsDirectory, const SourceContext& context);
void appendOrphanSystemExtensions(GroupMap& groups, const std::vector<SystemExtensionRecord>& catalog,
                                  const std::string& stagingRoot, const SourceContext& context);
void appendOrphanBackgroundItems(GroupMap& groups, const std::vector<BackgroundItemRecord>& items,
                                 const std::set<std::string>& suppressed, const SourceContext& context);

// The label under which an orphaned record is reported, or none.
std::optional<std::string> backgroundItemOrphanLabel(const BackgroundItemRecord& record, const SourceContext& context);
// Whether the owner at a Mac path is gone: in the user's Trash, or missing from a mounted volume.
bool ownerIsGone(const std::string& macPath, const SourceContext& context);
// In the current user's Trash: the home's ".Trash", or "/Volumes/<v>/.Trashes/<uid>".
bool isCurrentUserTrashPath(const std::string& macPath, const Layout& layout);
// "/Volumes/<name>" for a Mac path on an external volume; none otherwise.
std::optional<std::string> externalVolumeRoot(const std::string& macPath);
// The staged copy of an extension: the first ".kext", ".dext" or ".systemextension" (by name) in
// stagingRoot/<uniqueID>; none without a unique identifier or such an entry.
std::optional<std::string> stagedBundlePath(const SystemExtensionRecord& record, const std::string& stagingRoot);

}  // namespace corvane::orphans
