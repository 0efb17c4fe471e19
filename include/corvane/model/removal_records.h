#pragma once
// What a removal did: one outcome per item moved, one per background service paused, and the uninstall
// record that ties them to the analyses before and after. Also the grouping of orphaned leftovers.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "corvane/model/file_finding.h"

namespace corvane {

enum class RemovalFailureReason {
  fullDiskAccess, needsAdministrator, helperUnreachable, itemMissing, changedSinceAnalysis, other,
};

std::string_view rawValue(RemovalFailureReason reason);
// Unknown strings read as `other`.
RemovalFailureReason removalFailureReasonFromString(std::string_view value);

struct TrashOperation {
  Uuid id = Uuid::random();
  Url originalURL;
  std::optional<Url> trashedURL;
  bool succeeded = false;
  std::optional<std::string> errorDescription;
  std::optional<RemovalFailureReason> failureReason;

  static TrashOperation success(Url originalURL, std::optional<Url> trashedURL);
  static TrashOperation failure(Url originalURL, std::string errorDescription, RemovalFailureReason reason);

  bool operator==(const TrashOperation&) const = default;
};

struct BackgroundServiceOperation {
  Uuid id = Uuid::random();
  std::string serviceIdentifier;
  bool wasRegistered = false;
  bool paused = false;
  std::optional<std::string> errorDescription;

  bool operator==(const BackgroundServiceOperation&) const = default;
};

struct UninstallRecord {
  Uuid id = Uuid::random();
  Date createdAt{};
  AppIdentity identity;
  AnalysisSnapshot preRemovalSnapshot;
  std::vector<TrashOperation> operations;
  std::optional<AnalysisSnapshot> postRemovalSnapshot;
  std::optional<std::vector<BackgroundServiceOperation>> backgroundServiceOperations;
  std::optional<AnalysisSnapshot> followUpSnapshot;

  // How many operations succeeded.
  int succeededCount() const;

  bool operator==(const UninstallRecord&) const = default;
};

struct OrphanGroup {
  std::string suspectedBundleIdentifier;
  std::vector<FileFinding> findings;

  const std::string& id() const { return suspectedBundleIdentifier; }
  // An ordinary snapshot that lets the findings views show the group; its app url is a placeholder.
  AnalysisSnapshot snapshot() const;
  // Whether an app url is that placeholder: the snapshot (or a record made from it) is of leftovers alone.
  static bool isPlaceholderAppURL(const Url& appURL);

  bool operator==(const OrphanGroup&) const = default;
};

}  // namespace corvane

template <>
struct std::hash<corvane::TrashOperation> {
  std::size_t operator()(const corvane::TrashOperation& v) const noexcept;
};
template <>
struct std::hash<corvane::BackgroundServiceOperation> {
  std::size_t operator()(const corvane::BackgroundServiceOperation& v) const noexcept;
};
template <>
struct std::hash<corvane::UninstallRecord> {
  std::size_t operator()(const corvane::UninstallRecord& v) const noexcept;
};
template <>
struct std::hash<corvane::OrphanGroup> {
  std::size_t operator()(const corvane::OrphanGroup& v) const noexcept;
};
