// The name rules of the orphan scan: which Library entry names read as a bundle identifier, which
// identifiers an installed application, a test fixture or a shared SDK explains, and the developer prefix
// two identifiers share.

#include <algorithm>
#include <array>
#include <string_view>

#include "base/utf8.h"
#include "corvane/orphans/orphan_scanner.h"
#include "platform/unicode.h"

namespace corvane {

namespace {

// Stripped from the end of an entry name, each tested once and in this order.
constexpr std::array<std::string_view, 4> kNameSuffixes = {".savedState", ".plist", ".lockfile", ".cache"};

// First labels that say nothing about the developer.
constexpr std::array<std::string_view, 17> kGenericFirstLabels = {
    "com", "org", "net", "edu", "gov", "mil", "dev", "app", "xyz", "info", "biz", "cloud", "tech", "name", "pro", "mobi", "int"};

// Libraries that many applications embed: their folders belong to no single removed application.
constexpr std::array<std::string_view, 10> kSharedSDKPrefixes = {
    "org.sparkle-project",         "com.onevcat.kingfisher",  "com.google.gmp.measurement",
    "com.google.firebase",         "com.segment.storage",     "com.facebook.sdk",
    "com.microsoft.appcenter",     "com.breakpad.crash_report_sender", "com.revenuecat.user_defaults",
    "com.revenuecat.purchases"};

// Hosts under which many unrelated developers publish: the developer is the third label.
constexpr std::array<std::string_view, 12> kMultiTenantHostPrefixes = {
    "io.github", "com.github",      "io.gitlab",      "com.gitlab",     "org.gitlab", "io.bitbucket",
    "org.bitbucket", "net.sourceforge", "io.sourceforge", "com.googlecode", "io.gitea", "com.gitea"};

// The system's own identifier families: never an orphan.
constexpr std::array<std::string_view, 3> kSystemFamilies = {"com.apple.", "group.com.apple.", "systemgroup.com.apple."};

template <std::size_t N>
bool contains(const std::array<std::string_view, N>& table, std::string_view value) {
  for (auto entry : table)
    if (entry == value) return true;
  return false;
}

bool startsWithSystemFamily(std::string_view lower) {
  for (auto family : kSystemFamilies)
    if (lower.starts_with(family)) return true;
  return false;
}

std::vector<std::string> nonEmptyPieces(std::string_view text) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  while (start <= text.size()) {
    auto dot = text.find('.', start);
    if (dot == std::string_view::npos) dot = text.size();
    if (dot > start) pieces.emplace_back(text.substr(start, dot - start));
    start = dot + 1;
  }
  return pieces;
}

// Letters and digits of any script, "-" and "_".
bool isIdentifierPiece(std::string_view piece) {
  const auto ascii = [](char c) { return static_cast<unsigned char>(c) < 0x80; };
  if (std::all_of(piece.begin(), piece.end(), ascii))
    return std::all_of(piece.begin(), piece.end(), [](char c) {
      return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
    });
  for (char32_t c : utf8::decode(piece)) {
    if (c == '-' || c == '_') continue;
    if (c == utf8::kReplacementCharacter || !platform::isAlphanumericScalar(c)) return false;
  }
  return true;
}

// A first label that names no developer by itself: a generic one or a two-letter country code.
bool isGenericOrCountryLabel(const std::string& first) {
  return contains(kGenericFirstLabels, platform::lowercased(first)) || utf8::decode(first).size() == 2;
}

}  // namespace

std::optional<std::string> OrphanScanner::inferredBundleIdentifier(const std::string& entryName) {
  std::string name = entryName;
  for (auto suffix : kNameSuffixes)
    if (name.ends_with(suffix)) name.resize(name.size() - suffix.size());
  auto pieces = nonEmptyPieces(name);
  if (pieces.size() < 3) return std::nullopt;
  for (const auto& piece : pieces)
    if (!isIdentifierPiece(piece)) return std::nullopt;
  if (startsWithSystemFamily(platform::lowercased(name))) return std::nullopt;
  return name;
}

bool OrphanScanner::hasInstalledOwner(const std::string& identifier, const std::set<std::string>& installedLower) {
  const std::string lower = platform::lowercased(identifier);
  if (installedLower.contains(lower)) return true;
  // An installed identifier that `lower` continues sorts right before lower's own continuations; check
  // each proper "."-prefix of lower instead of the whole set.
  for (auto dot = lower.find('.'); dot != std::string::npos; dot = lower.find('.', dot + 1))
    if (installedLower.contains(lower.substr(0, dot))) return true;
  // An installed identifier that continues `lower`: the first one after lower + "." in order.
  const std::string family = lower + ".";
  auto it = installedLower.lower_bound(family);
  return it != installedLower.end() && it->starts_with(family);
}

bool OrphanScanner::isLikelyTestFixture(const std::string& identifier) {
  const std::string lower = platform::lowercased(identifier);
  if (lower == "com.example" || lower.starts_with("com.example.")) return true;
  auto pieces = nonEmptyPieces(identifier);
  if (pieces.empty()) return false;
  const std::string& first = pieces.front();
  if (isGenericOrCountryLabel(first)) return false;
  if (platform::lowercased(first) == "test" || first.ends_with("Tests")) return true;  // "UITests" ends so too
  for (std::size_t i = 1; i + 1 < pieces.size(); ++i)
    if (platform::lowercased(pieces[i]) == "verify") return true;
  return false;
}

bool OrphanScanner::isKnownSharedSDKComponent(const std::string& identifier) {
  const std::string lower = platform::lowercased(identifier);
  for (auto prefix : kSharedSDKPrefixes) {
    if (!lower.starts_with(prefix)) continue;
    if (lower.size() == prefix.size()) return true;
    const char next = lower[prefix.size()];
    if (next == '.' || next == '-' || next == '_') return true;
  }
  return false;
}

std::optional<std::string> OrphanScanner::vendorPrefix(const std::string& identifier) {
  auto pieces = nonEmptyPieces(identifier);
  if (pieces.size() < 3 || !isGenericOrCountryLabel(pieces[0])) return std::nullopt;
  std::string prefix = platform::lowercased(pieces[0] + "." + pieces[1]);
  if (contains(kMultiTenantHostPrefixes, prefix)) {
    if (pieces.size() == 3) return std::nullopt;
    prefix = platform::lowercased(pieces[0] + "." + pieces[1] + "." + pieces[2]);
  }
  return prefix;
}

}  // namespace corvane
