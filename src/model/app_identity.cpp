#include "corvane/model/app_identity.h"

#include "base/hashing.h"

namespace corvane {

namespace {

// Length of a white-space or line-break character starting at `at` (0 when there is none).
std::size_t spaceLength(std::string_view s, std::size_t at) {
  unsigned char c = static_cast<unsigned char>(s[at]);
  if (c == ' ' || (c >= 0x09 && c <= 0x0D)) return 1;
  auto starts = [&](std::string_view seq) { return s.substr(at, seq.size()) == seq; };
  // U+0085, U+00A0, U+1680, U+2000..U+200A, U+2028, U+2029, U+202F, U+205F, U+3000
  if (starts("\xC2\x85") || starts("\xC2\xA0")) return 2;
  if (starts("\xE1\x9A\x80") || starts("\xE2\x80\xA8") || starts("\xE2\x80\xA9") || starts("\xE2\x80\xAF") ||
      starts("\xE2\x81\x9F") || starts("\xE3\x80\x80"))
    return 3;
  if (at + 2 < s.size() && c == 0xE2 && static_cast<unsigned char>(s[at + 1]) == 0x80 &&
      static_cast<unsigned char>(s[at + 2]) >= 0x80 && static_cast<unsigned char>(s[at + 2]) <= 0x8A)
    return 3;
  return 0;
}

// Length of a white-space character ending just before `end` (0 when there is none).
std::size_t spaceLengthBefore(std::string_view s, std::size_t end) {
  for (std::size_t len = 1; len <= 3 && len <= end; ++len) {
    if (spaceLength(s, end - len) == len) return len;
  }
  return 0;
}

}  // namespace

std::string trimmed(std::string_view text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end) {
    std::size_t n = spaceLength(text, begin);
    if (n == 0) break;
    begin += n;
  }
  while (end > begin) {
    std::size_t n = spaceLengthBefore(text, end);
    if (n == 0) break;
    end -= n;
  }
  return std::string(text.substr(begin, end - begin));
}

std::vector<std::string> AppIdentity::serviceIdentifiers() const {
  return backgroundServiceIdentifiers.value_or(std::vector<std::string>{});
}

std::vector<std::string> AppIdentity::searchTerms() const {
  std::vector<std::string> terms;
  for (const auto* value : {&bundleIdentifier, &signingIdentifier}) {
    if (!*value) continue;
    std::string t = trimmed(**value);
    if (!t.empty()) terms.push_back(std::move(t));
  }
  std::string n = trimmed(name);
  if (!n.empty()) terms.push_back(std::move(n));
  return terms;
}

AppIdentity InstalledApplication::basicIdentity() const {
  return AppIdentity{name, bundleIdentifier, std::nullopt, std::nullopt, {}, std::nullopt, std::nullopt};
}

}  // namespace corvane

std::size_t std::hash<corvane::AppIdentity>::operator()(const corvane::AppIdentity& v) const noexcept {
  return corvane::hashAll(v.name, v.bundleIdentifier, v.signingIdentifier, v.teamIdentifier, v.packageReceipts,
                          v.backgroundServiceIdentifiers, v.applicationGroups);
}

std::size_t std::hash<corvane::InstalledApplication>::operator()(
    const corvane::InstalledApplication& v) const noexcept {
  return corvane::hashAll(v.url, v.name, v.bundleIdentifier, v.version, v.isSystemApplication);
}
