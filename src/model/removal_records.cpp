#include "corvane/model/removal_records.h"

#include <algorithm>

#include "base/hashing.h"

namespace corvane {

namespace {

struct ReasonEntry {
  RemovalFailureReason reason;
  std::string_view raw;
};

constexpr ReasonEntry kReasons[] = {
    {RemovalFailureReason::fullDiskAccess, "fullDiskAccess"},
    {RemovalFailureReason::needsAdministrator, "needsAdministrator"},
    {RemovalFailureReason::helperUnreachable, "helperUnreachable"},
    {RemovalFailureReason::itemMissing, "itemMissing"},
    {RemovalFailureReason::changedSinceAnalysis, "changedSinceAnalysis"},
    {RemovalFailureReason::other, "other"},
};

}  // namespace

std::string_view rawValue(RemovalFailureReason reason) { return kReasons[static_cast<std::size_t>(reason)].raw; }

RemovalFailureReason removalFailureReasonFromString(std::string_view value) {
  for (const auto& e : kReasons)
    if (e.raw == value) return e.reason;
  return RemovalFailureReason::other;
}

TrashOperation TrashOperation::success(Url originalURL, std::optional<Url> trashedURL) {
  TrashOperation op;
  op.originalURL = std::move(originalURL);
  op.trashedURL = std::move(trashedURL);
  op.succeeded = true;
  return op;
}

TrashOperation TrashOperation::failure(Url originalURL, std::string errorDescription, RemovalFailureReason reason) {
  TrashOperation op;
  op.originalURL = std::move(originalURL);
  op.errorDescription = std::move(errorDescription);
  op.failureReason = reason;
  return op;
}

int UninstallRecord::succeededCount() const {
  return static_cast<int>(
      std::count_if(operations.begin(), operations.end(), [](const TrashOperation& op) { return op.succeeded; }));
}

namespace {
constexpr std::string_view kPlaceholderPrefix = "/Applications/.Corvane-Missing-";
}  // namespace

bool OrphanGroup::isPlaceholderAppURL(const Url& appURL) {
  const std::string path = appURL.path();
  return path.starts_with(kPlaceholderPrefix) && path.ends_with(".app") &&
         path.find('/', kPlaceholderPrefix.size()) == std::string::npos;
}

AnalysisSnapshot OrphanGroup::snapshot() const {
  std::string name;
  std::string_view rest = suspectedBundleIdentifier;
  while (!rest.empty()) {
    auto dot = rest.rfind('.');
    std::string_view piece = dot == std::string_view::npos ? rest : rest.substr(dot + 1);
    if (!piece.empty()) {
      name = std::string(piece);
      break;
    }
    if (dot == std::string_view::npos) break;
    rest = rest.substr(0, dot);
  }
  if (name.empty()) name = suspectedBundleIdentifier;

  AnalysisSnapshot s;
  s.createdAt = date::now();
  s.appURL = Url::fileURL(std::string(kPlaceholderPrefix) + suspectedBundleIdentifier + ".app");
  s.identity = AppIdentity{name, suspectedBundleIdentifier, std::nullopt, std::nullopt, {}, std::nullopt, std::nullopt};
  s.isApplicationRunning = std::any_of(findings.begin(), findings.end(), [](const FileFinding& f) {
    return f.confidence == FindingConfidence::inUse;
  });
  s.findings = findings;
  return s;
}

}  // namespace corvane

std::size_t std::hash<corvane::TrashOperation>::operator()(const corvane::TrashOperation& v) const noexcept {
  std::optional<int> reason;
  if (v.failureReason) reason = static_cast<int>(*v.failureReason);
  return corvane::hashAll(v.id, v.originalURL, v.trashedURL, v.succeeded, v.errorDescription, reason);
}

std::size_t std::hash<corvane::BackgroundServiceOperation>::operator()(
    const corvane::BackgroundServiceOperation& v) const noexcept {
  return corvane::hashAll(v.id, v.serviceIdentifier, v.wasRegistered, v.paused, v.errorDescription);
}

std::size_t std::hash<corvane::UninstallRecord>::operator()(const corvane::UninstallRecord& v) const noexcept {
  return corvane::hashAll(v.id, v.createdAt, v.identity, v.preRemovalSnapshot, v.operations, v.postRemovalSnapshot,
                          v.backgroundServiceOperations, v.followUpSnapshot);
}

std::size_t std::hash<corvane::OrphanGroup>::operator()(const corvane::OrphanGroup& v) const noexcept {
  return corvane::hashAll(v.suspectedBundleIdentifier, v.findings);
}
