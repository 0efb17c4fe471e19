#pragma once
// The names and identifiers under which an application may have left files, and what discovery reports
// of an installed application.

#include <optional>
#include <string>
#include <vector>

#include "corvane/base/url.h"

namespace corvane {

struct AppIdentity {
  std::string name;
  std::optional<std::string> bundleIdentifier;
  std::optional<std::string> signingIdentifier;
  std::optional<std::string> teamIdentifier;
  std::vector<std::string> packageReceipts;
  std::optional<std::vector<std::string>> backgroundServiceIdentifiers;
  std::optional<std::vector<std::string>> applicationGroups;

  // backgroundServiceIdentifiers, or the empty list.
  std::vector<std::string> serviceIdentifiers() const;
  // bundleIdentifier, signingIdentifier and name, trimmed, empty ones dropped; repeats kept.
  std::vector<std::string> searchTerms() const;

  bool operator==(const AppIdentity&) const = default;
};

struct InstalledApplication {
  Url url;
  std::string name;
  std::optional<std::string> bundleIdentifier;
  std::optional<std::string> version;
  bool isSystemApplication = false;

  const Url& id() const { return url; }
  // Name and bundle identifier only: where the analyzer starts building the full identity.
  AppIdentity basicIdentity() const;

  bool operator==(const InstalledApplication&) const = default;
};

// Trims white space and line breaks from both ends (ASCII and the Unicode line/paragraph separators).
std::string trimmed(std::string_view text);

}  // namespace corvane

template <>
struct std::hash<corvane::AppIdentity> {
  std::size_t operator()(const corvane::AppIdentity& v) const noexcept;
};
template <>
struct std::hash<corvane::InstalledApplication> {
  std::size_t operator()(const corvane::InstalledApplication& v) const noexcept;
};
