#pragma once
// One registration in the system's background-items database: a login item, launch agent, launch daemon
// or background program that an app registered, as the database records it for one user account (its
// "scope"). Items may carry nested items (an app and the agents it registered).

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// Whose scope a record belongs to.
enum class BackgroundItemScopeKind { currentUser, otherUser, systemSentinel, unknown };

extern const std::array<BackgroundItemScopeKind, 4> kAllBackgroundItemScopeKinds;

// "currentUser", "otherUser", "systemSentinel", "unknown".
std::string_view stringValue(BackgroundItemScopeKind kind);
// The case whose string value is `text`; none for any other text.
std::optional<BackgroundItemScopeKind> backgroundItemScopeKindFromString(std::string_view text);

// The bits of a record's `type` and `disposition` seen in real stores.
namespace BackgroundItemBits {
inline constexpr std::int64_t userItem = 0x1;
inline constexpr std::int64_t app = 0x2;
inline constexpr std::int64_t loginItem = 0x4;
inline constexpr std::int64_t agent = 0x8;
inline constexpr std::int64_t daemon = 0x10;
inline constexpr std::int64_t developer = 0x20;

inline constexpr std::int64_t enabled = 0x1;
inline constexpr std::int64_t allowed = 0x2;
inline constexpr std::int64_t hidden = 0x4;
inline constexpr std::int64_t notified = 0x8;
}  // namespace BackgroundItemBits

struct BackgroundItemRecord {
  std::optional<std::string> scopeUUID;  // upper-case identifier of the owning scope
  BackgroundItemScopeKind scopeKind = BackgroundItemScopeKind::unknown;
  std::optional<std::string> identifier;  // for launch items: a number, ".", the launch label
  std::optional<std::string> label;       // the launch label taken from `identifier`
  std::optional<std::string> name;
  std::optional<std::string> developerName;
  std::optional<std::string> teamIdentifier;
  std::optional<std::string> bundleIdentifier;
  std::vector<std::string> associatedBundleIdentifiers;
  std::optional<std::string> executablePath;
  std::optional<std::string> registeredURLPath;  // standardised path of the registered URL
  std::optional<std::string> container;
  std::int64_t type = 0;
  std::int64_t disposition = 0;
  std::vector<BackgroundItemRecord> subItems;

  bool isEnabled() const { return (disposition & BackgroundItemBits::enabled) != 0; }
  bool isAllowed() const { return (disposition & BackgroundItemBits::allowed) != 0; }
  bool isHidden() const { return (disposition & BackgroundItemBits::hidden) != 0; }
  bool isNotified() const { return (disposition & BackgroundItemBits::notified) != 0; }
  // The low 16 bits of `type`; the bits above mark variants such as legacy launch definitions.
  std::int64_t typeCategory() const { return type & 0xFFFF; }
  bool isDeveloperContainer() const { return typeCategory() == BackgroundItemBits::developer; }
  bool supportsUserLaunchdNeutralization() const { return typeCategory() == BackgroundItemBits::agent; }
  // The executable path is present, not empty and not absolute.
  bool executablePathIsRelative() const;
  // The scope is the system's own (its identifier begins with the system sentinel prefix).
  bool isWellKnownSystemScope() const;
  // The current user's, and not the system's: the only records a user may act on.
  bool isActionableScope() const;

  bool operator==(const BackgroundItemRecord&) const = default;
};

}  // namespace corvane

template <>
struct std::hash<corvane::BackgroundItemRecord> {
  std::size_t operator()(const corvane::BackgroundItemRecord& v) const noexcept;
};
