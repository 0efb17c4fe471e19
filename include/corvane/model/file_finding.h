#pragma once
// A file, folder or registration believed to belong to an application, the evidence for it, and the whole
// result of one analysis.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "corvane/model/app_identity.h"
#include "corvane/base/date.h"
#include "corvane/model/disk_identity.h"
#include "corvane/model/finding_kind.h"
#include "corvane/base/url.h"
#include "corvane/base/uuid.h"

namespace corvane {

struct MatchEvidence {
  Uuid id = Uuid::random();
  EvidenceKind kind = EvidenceKind::location;
  std::string explanation;  // one complete English sentence
  int weight = 0;

  MatchEvidence() = default;
  MatchEvidence(EvidenceKind k, std::string text, int w) : kind(k), explanation(std::move(text)), weight(w) {}
  MatchEvidence(Uuid i, EvidenceKind k, std::string text, int w)
      : id(i), kind(k), explanation(std::move(text)), weight(w) {}

  bool operator==(const MatchEvidence&) const = default;
};

struct FileFinding {
  Uuid id = Uuid::random();
  Url url;
  FindingKind kind = FindingKind::other;
  FindingConfidence confidence = FindingConfidence::review;
  int score = 0;
  std::vector<MatchEvidence> evidence;
  std::optional<std::int64_t> byteCount;
  std::optional<Date> modifiedAt;
  bool isProtectedLocation = false;
  std::optional<std::string> displayName;
  std::optional<DiskIdentity> diskIdentity;

  // A finding with a fresh id; `diskIdentity` is the item's identity when it was examined
  // (platform::diskIdentityOf).
  static FileFinding make(Url url, FindingKind kind, FindingConfidence confidence, int score,
                          std::vector<MatchEvidence> evidence, std::optional<std::int64_t> byteCount,
                          std::optional<Date> modifiedAt, bool isProtectedLocation,
                          std::optional<std::string> displayName, std::optional<DiskIdentity> diskIdentity);

  // The last path component of url.
  std::string name() const { return url.lastPathComponent(); }
  bool requiresAdministrator() const;
  // Not in use and not in a protected location.
  bool isManuallySelectable() const;
  // Manually selectable and not needing an administrator.
  bool isSelectable() const;

  bool operator==(const FileFinding&) const = default;
};

struct AnalysisSnapshot {
  Uuid id = Uuid::random();
  Date createdAt{};
  Url appURL;
  AppIdentity identity;
  bool isApplicationRunning = false;
  std::vector<FileFinding> findings;

  bool operator==(const AnalysisSnapshot&) const = default;
};

}  // namespace corvane

template <>
struct std::hash<corvane::MatchEvidence> {
  std::size_t operator()(const corvane::MatchEvidence& v) const noexcept;
};
template <>
struct std::hash<corvane::FileFinding> {
  std::size_t operator()(const corvane::FileFinding& v) const noexcept;
};
template <>
struct std::hash<corvane::AnalysisSnapshot> {
  std::size_t operator()(const corvane::AnalysisSnapshot& v) const noexcept;
};
