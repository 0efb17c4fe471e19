#include "analysis/extended_matching.h"

#include <algorithm>
#include <array>

#include "corvane/analysis/match_engine.h"
#include "platform/unicode.h"

namespace corvane::ExtendedMatching {

namespace {

using IdentifierMatch = MatchEngine::IdentifierMatch;

constexpr std::size_t kTeamLength = 10;
constexpr std::size_t kShortNameLength = 4;     // names shorter than this get no name evidence from the base rules
constexpr std::size_t kMinimumProductLength = 3;
constexpr int kTeamExactWeight = 45;
constexpr int kHelperWeight = 40;
constexpr int kNameWeight = 40;
constexpr int kShortNameWeight = 30;
constexpr int kQualifiedNameWeight = 35;

// Prefixes that framework makers and hosting sites give to apps of many vendors.
constexpr std::array<std::string_view, 5> kSharedPrefixes = {"com.apple", "com.electron", "com.github", "io.github",
                                                             "org.chromium"};
// Words that name an edition or a packaging of a product rather than another product.
constexpr std::array<std::string_view, 10> kQualifiers = {"pro",  "x",    "desktop", "launcher", "app",
                                                          "lite", "free", "plus",    "client",   "classic"};
constexpr std::array<std::string_view, 8> kChannels = {"beta",     "dev",    "canary",  "nightly",
                                                       "insiders", "insider", "preview", "alpha"};

bool isAlnum(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u >= 0x80 || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool isLower(char c) { return c >= 'a' && c <= 'z'; }

// Letters and digits only, lower case.
std::string alnumLower(std::string_view text) {
  std::string out;
  for (char c : text)
    if (isAlnum(c)) out += isUpper(c) ? static_cast<char>(c - 'A' + 'a') : c;
  return out;
}

bool startsWith(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && s.substr(0, prefix.size()) == prefix;
}

template <std::size_t N>
bool among(const std::array<std::string_view, N>& list, std::string_view value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

// A word ends between a and b (adjacent letters or digits of one name).
bool boundary(char a, char b) { return (isLower(a) && isUpper(b)) || isDigit(a) != isDigit(b); }

// The file name without a strippable extension.
std::string stemOf(const Url& url) {
  std::string name = url.lastPathComponent();
  const std::string extension = url.pathExtension();
  if (!extension.empty() && MatchEngine::isStrippableExtension(extension))
    name.resize(name.size() - extension.size() - 1);
  return name;
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

std::string vendorOf(const std::optional<std::string>& bundleIdentifier) {
  if (!bundleIdentifier) return {};
  auto parts = labels(*bundleIdentifier);
  if (parts.size() < 2) return {};
  std::string vendor = alnumLower(parts[1]);
  return vendor.size() >= kMinimumProductLength && vendor != "apple" && vendor != "electron" && vendor != "github"
             ? vendor
             : std::string{};
}

std::vector<std::string> targetsOf(const AppIdentity& identity) {
  std::vector<std::string> out;
  for (const auto* id : {&identity.bundleIdentifier, &identity.signingIdentifier})
    if (*id && !(*id)->empty()) out.push_back(platform::lowercased(**id));
  return out;
}

}  // namespace

std::optional<std::string> withoutTeamPrefix(std::string_view name) {
  if (name.size() <= kTeamLength + 1 || name[kTeamLength] != '.') return std::nullopt;
  for (std::size_t i = 0; i < kTeamLength; ++i)
    if (!isUpper(name[i]) && !isDigit(name[i])) return std::nullopt;
  std::string rest(name.substr(kTeamLength + 1));
  if (startsWith(platform::lowercased(rest), "group.") && rest.size() > 6) rest = rest.substr(6);
  return rest;
}

Claim occurrence(std::string_view text, std::string_view needle) {
  if (needle.empty()) return Claim::none;
  std::string letters;
  std::vector<std::size_t> at;  // raw index of each letter
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!isAlnum(text[i])) continue;
    letters += isUpper(text[i]) ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
    at.push_back(i);
  }
  if (letters == needle) return Claim::exactName;
  Claim best = Claim::none;
  for (std::size_t s = letters.find(needle); s != std::string::npos; s = letters.find(needle, s + 1)) {
    const std::size_t first = at[s], last = at[s + needle.size() - 1];
    const bool startOK = first == 0 || !isAlnum(text[first - 1]) || boundary(text[first - 1], text[first]);
    const bool endOK = last + 1 == text.size() || !isAlnum(text[last + 1]) || boundary(text[last], text[last + 1]);
    if (startOK && endOK) return Claim::wholeWord;
    best = Claim::fragment;
  }
  return best;
}

Matcher::Matcher(const AppIdentity& identity, const std::vector<AppIdentity>& coInstalled)
    : identity_(identity), peers_(coInstalled), targets_(targetsOf(identity)), name_(alnumLower(identity.name)),
      vendor_(vendorOf(identity.bundleIdentifier)) {
  if (identity.bundleIdentifier) {
    auto parts = labels(*identity.bundleIdentifier);
    std::string prefix = parts.size() >= 3 ? parts[0] + "." + parts[1] : "";
    const bool shared = std::any_of(peers_.begin(), peers_.end(), [&](const AppIdentity& peer) {
      auto ids = targetsOf(peer);
      return std::any_of(ids.begin(), ids.end(), [&](const std::string& id) {
        return id == prefix || startsWith(id, prefix + ".");
      });
    });
    if (!prefix.empty() && !shared && !among(kSharedPrefixes, prefix)) vendorPrefix_ = prefix;
  }

  // The name without trailing qualifiers ("Google Earth" for "Google Earth Pro"), when no other installed
  // app could be meant by it.
  std::vector<std::string> words;
  std::string word;
  for (char c : identity.name + " ") {
    if (c == ' ') {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  const std::size_t all = words.size();
  while (!words.empty() && among(kQualifiers, alnumLower(words.back()))) words.pop_back();
  std::string shortened;
  for (const auto& w : words) shortened += alnumLower(w);
  const bool ambiguous = std::any_of(peers_.begin(), peers_.end(), [&](const AppIdentity& peer) {
    return startsWith(alnumLower(peer.name), shortened) || vendorOf(peer.bundleIdentifier) == shortened;
  });
  if (words.size() < all && shortened.size() >= kShortNameLength && !ambiguous) shortened_ = shortened;

  product_ = startsWith(name_, vendor_) && name_.size() >= vendor_.size() + kMinimumProductLength
                 ? name_.substr(vendor_.size())
                 : name_;
}

bool Matcher::isVendorFolder(std::string_view name) const { return !vendor_.empty() && alnumLower(name) == vendor_; }

std::optional<MatchEvidence> Matcher::assess(const Url& url, std::string_view below) const {
  const std::string stem = stemOf(url);
  const std::optional<std::string> team = withoutTeamPrefix(stem);
  const auto why = [](EvidenceKind kind, std::string text, int weight) {
    return std::optional<MatchEvidence>(MatchEvidence(kind, std::move(text), weight));
  };

  if (team) {
    for (const auto& t : targets_) {
      const auto m = MatchEngine::identifierMatch(*team, t);
      if (m == IdentifierMatch::exact)
        return why(EvidenceKind::relatedComponent,
                   "Named for this app's identifier " + t +
                       " behind a developer-team prefix; held at Review because no signature declares it.",
                   kTeamExactWeight);
      if (m == IdentifierMatch::family)
        return why(EvidenceKind::relatedComponent,
                   "Named for a member of this app's identifier family (" + t +
                       ") behind a developer-team prefix; held at Review because no signature declares it.",
                   kHelperWeight);
    }
    if (!name_.empty() && alnumLower(*team) == name_)
      return why(EvidenceKind::appName,
                 "Named for the application name " + identity_.name +
                     " behind a developer-team prefix; held at Review because no signature declares it.",
                 kNameWeight);
  }

  for (const std::string* form : {&stem, team ? &*team : nullptr}) {
    if (!form) continue;
    const std::string lowered = platform::lowercased(*form);
    for (const auto& t : targets_) {
      if (lowered.size() > t.size() && startsWith(lowered, t) && isUpper((*form)[t.size()]))
        return why(EvidenceKind::relatedComponent,
                   "Named as this app's identifier " + t + " followed directly by the word " +
                       form->substr(t.size()) + ", the way its helpers are named; held at Review.",
                   kHelperWeight);
    }
    if (!vendorPrefix_.empty() && startsWith(lowered, vendorPrefix_ + "."))
      return why(EvidenceKind::sameDeveloper,
                 "Named under this app's vendor prefix " + vendorPrefix_ +
                     ", which no other installed app uses; held at Review because the vendor may ship more apps.",
                 kHelperWeight);
  }

  if (name_.size() < kShortNameLength) {
    if (!name_.empty() && occurrence(stem, name_) >= Claim::wholeWord && startsWith(alnumLower(stem), name_))
      return why(EvidenceKind::appName,
                 "Named with the short application name " + identity_.name +
                     " as a whole word; short names match by accident more easily, so it is held at Review.",
                 kShortNameWeight);
  } else if (alnumLower(stem) == name_) {
    return why(EvidenceKind::appName,
               "Named exactly for the application name " + identity_.name +
                   ", whose last dot-label is part of the name; held at Review.",
               kNameWeight);
  }
  if (!shortened_.empty() && alnumLower(stem) == shortened_)
    return why(EvidenceKind::appName,
               "Named " + stem + ", the application name without its trailing qualifier; held at Review.",
               kQualifiedNameWeight);

  // A vendor folder above the item, and the item named for the product.
  const auto parts = url::pathComponents(below);
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
    if (!isVendorFolder(parts[i])) continue;
    if (product_.size() >= kMinimumProductLength && occurrence(stem, product_) >= Claim::wholeWord)
      return why(EvidenceKind::appName,
                 "Found in the vendor folder " + parts[i] + " and named for this app's product; held at Review.",
                 kQualifiedNameWeight);
    break;
  }
  return std::nullopt;
}

Claim Matcher::claim(const AppIdentity& identity, const Url& url) {
  Claim best = Claim::none;
  switch (MatchEngine::ownershipLevel(url, identity)) {
    case IdentifierMatch::exact: return Claim::exactIdentifier;
    case IdentifierMatch::family: best = Claim::wholeWord; break;
    case IdentifierMatch::none: break;
  }
  const std::string stem = stemOf(url);
  if (auto team = withoutTeamPrefix(stem)) {
    for (const auto& t : targetsOf(identity)) {
      const auto m = MatchEngine::identifierMatch(*team, t);
      if (m == IdentifierMatch::exact) return Claim::exactIdentifier;
      if (m == IdentifierMatch::family) best = std::max(best, Claim::wholeWord);
    }
  }
  const std::string name = alnumLower(identity.name);
  Claim byName = occurrence(stem, name);
  if (name.size() < kShortNameLength && byName == Claim::fragment) byName = Claim::none;
  return std::max(best, byName);
}

bool Matcher::claimedByPeer(const Url& url, Claim own) const {
  return std::any_of(peers_.begin(), peers_.end(), [&](const AppIdentity& peer) {
    const Claim c = claim(peer, url);
    return c > own && c >= Claim::wholeWord;
  });
}

bool Matcher::isOtherChannel(const Url& url) const {
  const std::string stem = alnumLower(stemOf(url));
  if (name_.empty() || !startsWith(stem, name_)) return false;
  return among(kChannels, std::string_view(stem).substr(name_.size()));
}

}  // namespace corvane::ExtendedMatching
