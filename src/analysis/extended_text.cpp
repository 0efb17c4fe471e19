#include "analysis/extended_text.h"

#include "corvane/analysis/match_engine.h"
#include "platform/unicode.h"

namespace corvane::ExtendedMatching::text {

namespace {

// Bundles that carry a product's name before their extension.
constexpr std::array<std::string_view, 6> kBundleExtensions = {"kext", "plugin", "bundle", "component", "dext",
                                                               "systemextension"};

}  // namespace

bool isAlnum(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u >= 0x80 || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool isLower(char c) { return c >= 'a' && c <= 'z'; }

std::string alnumLower(std::string_view text) {
  std::string out;
  for (char c : text)
    if (isAlnum(c)) out += isUpper(c) ? static_cast<char>(c - 'A' + 'a') : c;
  return out;
}

bool startsWith(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && s.substr(0, prefix.size()) == prefix;
}

bool boundary(char a, char b) { return (isLower(a) && isUpper(b)) || isDigit(a) != isDigit(b); }

std::string stemOf(const Url& url) {
  std::string name = url.lastPathComponent();
  const std::string extension = url.pathExtension();
  if (!extension.empty() && MatchEngine::isStrippableExtension(extension))
    name.resize(name.size() - extension.size() - 1);
  return name;
}

std::string bundleStemOf(const Url& url) {
  std::string name = stemOf(url);
  const auto dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0 && among(kBundleExtensions, platform::lowercased(name.substr(dot + 1))))
    name.resize(dot);
  return name;
}

std::size_t alnumPrefixLength(std::string_view text, std::string_view prefix) {
  std::size_t matched = 0, i = 0;
  for (; i < text.size() && matched < prefix.size(); ++i) {
    if (!isAlnum(text[i])) continue;
    const char c = isUpper(text[i]) ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
    if (c != prefix[matched]) return 0;
    ++matched;
  }
  return matched == prefix.size() && !prefix.empty() ? i : 0;
}

std::string leadingLabels(const std::vector<std::string>& parts, std::size_t count) {
  std::string out;
  for (std::size_t i = 0; i < count && i < parts.size(); ++i) out += (i ? "." : "") + parts[i];
  return out;
}

std::vector<std::string> labels(std::string_view identifier) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start <= identifier.size()) {
    std::size_t dot = identifier.find('.', start);
    if (dot == std::string_view::npos) dot = identifier.size();
    if (dot > start) out.emplace_back(platform::lowercased(identifier.substr(start, dot - start)));
    start = dot + 1;
  }
  return out;
}

}  // namespace corvane::ExtendedMatching::text
