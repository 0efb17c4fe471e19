#pragma once
// Readers for Library locations whose items need more than their names to be tied to an app: plug-in
// bundles, per-host preferences, recent-documents lists, container metadata, launch definitions,
// system extensions and installer receipts. Each only reads, through the file system given; anything
// unreadable gives no result.

#include <optional>
#include <string>
#include <vector>

#include "corvane/model/app_identity.h"
#include "corvane/model/file_finding.h"
#include "corvane/model/layout.h"
#include "corvane/analysis/match_engine.h"
#include "corvane/discovery/system_extension_catalog.h"
#include "corvane/platform/file_system.h"

namespace corvane::LocationAssessments {

struct Assessment {
  std::vector<MatchEvidence> evidence;
  int score = 0;
  bool exact = false;
  // Extra owner candidates for arbitration (a plug-in's own identifier, a database's owners).
  std::vector<std::string> ownerCandidates;
};

// The identity's bundle and signing identifiers, in that order, absent and empty ones skipped.
std::vector<std::string> identifierTargets(const AppIdentity& identity);

// noun is "framework" or "plug-in".
std::optional<Assessment> pluginAssessment(const platform::FileSystem& fs,
                                           const Url& url, const AppIdentity& identity, const std::string& noun);
std::optional<Assessment> byHostAssessment(const Url& url, const AppIdentity& identity);
std::optional<Assessment> recentDocumentsAssessment(const Url& url, const AppIdentity& identity);
// Paths the Mac's data records (a database's owner bundle, a launch job's program) are Mac paths: they are
// compared with `appURL` (a host path) through `layout`.
std::optional<Assessment> systemExtensionAssessment(const platform::FileSystem& fs,
                                                    const Url& url, const AppIdentity& identity, const Url& appURL,
                                                    const std::vector<SystemExtensionRecord>& catalog,
                                                    const Layout& layout);
MatchEngine::IdentifierMatch dbOwnerMatch(const SystemExtensionRecord& record, const AppIdentity& identity,
                                          const Url& appURL, const Layout& layout);

// The owner recorded in a container folder's metadata, if any.
std::optional<std::string> containerRecordedOwner(const platform::FileSystem& fs, const Url& folder);
MatchEngine::IdentifierMatch bestOwnerMatch(const std::string& owner, const AppIdentity& identity);

inline constexpr const char* kProgramInsideBundle = "The launch job runs a program inside this app bundle.";
// Empty or one entry.
std::vector<MatchEvidence> launchEvidence(const platform::FileSystem& fs,
                                          const Url& url, const AppIdentity& identity, const Url& appURL,
                                          bool isProtected, const Layout& layout);
// Whether the program a launch definition runs (not merely an argument) lies inside the bundle.
bool launchProgramInsideBundle(const platform::FileSystem& fs, const Url& url, const Url& appURL, const Layout& layout);
std::optional<std::string> userLaunchServiceIdentifier(const platform::FileSystem& fs,
                                                       const Url& url, const AppIdentity& identity,
                                                       const Url& appURL, const Layout& layout);

std::vector<FileFinding> receiptFindings(const AppIdentity& identity, const Url& receiptsDirectory,
                                         const platform::FileSystem& fs);
FileFinding makeReceiptFinding(const Url& url, const std::string& receiptID, const platform::FileSystem& fs);

}  // namespace corvane::LocationAssessments
