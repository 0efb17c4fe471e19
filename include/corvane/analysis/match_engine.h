#pragma once
// Decides from a path alone whether a file or folder is named after an application, and how strongly.
// Pure: it reads no file and keeps no state.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "corvane/model/app_identity.h"
#include "corvane/model/file_finding.h"
#include "corvane/model/finding_kind.h"
#include "corvane/base/url.h"

namespace corvane {

struct MatchEngine {
  // Result of comparing one candidate with one identifier, best first.
  enum class IdentifierMatch { exact, family, none };

  struct Assessment {
    std::vector<MatchEvidence> evidence;  // in the order of the assessment's steps
    int score = 0;                        // sum of the weights, capped at 100
    bool hasExactIdentitySignal = false;  // bundle or signing identifier matched a candidate exactly
    bool sharedTeamOnly = false;          // the developer team is the only identity signal

    bool operator==(const Assessment&) const = default;
  };

  // Names shorter than this (in user-perceived characters) match too much by accident, so they earn no
  // name evidence.
  static constexpr std::size_t minimumNameLength = 4;

  // File extensions (lower case) removed before a file name is compared with identifiers.
  static constexpr std::array<std::string_view, 10> strippableExtensions = {
      "plist", "savedstate", "binarycookies", "lockfile", "cache", "log", "sfl", "sfl2", "sfl3", "sfl4"};

  // True when the extension, lower-cased, is one of strippableExtensions.
  static bool isStrippableExtension(std::string_view extension);

  // Lower-cases the text and keeps only letters, marks and numbers (of any script).
  static std::string normalized(std::string_view text);

  // The file name without a strippable extension, the whole file name, then every component of the
  // path from "/" onward. Repeats stay.
  static std::vector<std::string> identifierCandidates(const Url& url);

  // exact when equal ignoring case; family when the candidate continues the target with ".", "-" or "_".
  static IdentifierMatch identifierMatch(std::string_view candidate, std::string_view target);

  // Best match of the identity's bundle and signing identifiers over the URL's candidates followed by
  // extraCandidates.
  static IdentifierMatch ownershipLevel(const Url& url, const AppIdentity& identity,
                                        const std::vector<std::string>& extraCandidates = {});

  // The evidence that url belongs to identity, for an item found in a location of the given kind.
  static Assessment assess(const Url& url, const AppIdentity& identity, FindingKind kind);

  bool operator==(const MatchEngine&) const = default;
};

}  // namespace corvane
