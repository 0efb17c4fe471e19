#include "analysis/extended_matching.h"

#include <algorithm>
#include <array>

#include "analysis/common_words.h"
#include "analysis/extended_text.h"
#include "corvane/analysis/match_engine.h"
#include "platform/unicode.h"

namespace corvane::ExtendedMatching {

namespace {

using namespace text;
using IdentifierMatch = MatchEngine::IdentifierMatch;

constexpr std::size_t kTeamLength = 10;
constexpr std::size_t kShortNameLength = MatchEngine::minimumNameLength;  // shorter: no name evidence from the base rules
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
// Words a product's own processes and files add to its name; longer words before their prefixes.
constexpr std::array<std::string_view, 15> kRoles = {
    "privileged", "helper",  "agent",   "daemon",   "services", "service",  "installer",    "install",
    "updater",    "update",  "monitor", "renderer", "launcher", "plugin",   "crashreporter"};

// Whether `rest` (letters and digits, lower case) is nothing but edition and role words, then digits.
bool onlyEditionsRolesAndNumbers(std::string_view rest) {
  for (bool more = true; more && !rest.empty();) {
    more = false;
    for (const auto* words : {static_cast<const std::string_view*>(kQualifiers.data()), kRoles.data()}) {
      const std::size_t count = words == kRoles.data() ? kRoles.size() : kQualifiers.size();
      for (std::size_t i = 0; i < count && !more; ++i)
        if (startsWith(rest, words[i])) {
          rest.remove_prefix(words[i].size());
          more = true;
        }
    }
  }
  return std::all_of(rest.begin(), rest.end(), isDigit);
}

constexpr std::array<std::string_view, 8> kChannels = {"beta",     "dev",    "canary",  "nightly",
                                                       "insiders", "insider", "preview", "alpha"};

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
  // The product as the name writes it: the words after the vendor's ("Edge" of "Microsoft Edge").
  productWord_ = identity.name;
  std::string leading;
  for (std::size_t i = 0; product_ != name_ && i + 1 < words.size(); ++i) {
    leading += alnumLower(words[i]);
    if (leading != vendor_) continue;
    productWord_.clear();
    for (std::size_t j = i + 1; j < words.size(); ++j) productWord_ += (productWord_.empty() ? "" : " ") + words[j];
    break;
  }

  // "zoom" of "zoom.us": the name before a last dot-label that is part of it.
  const auto dot = identity.name.rfind('.');
  if (dot != std::string::npos && dot >= kShortNameLength && dot + 1 < identity.name.size()) {
    nameStemWritten_ = identity.name.substr(0, dot);
    nameStem_ = alnumLower(nameStemWritten_);
  }
  // "Epic" of "Epic Games Launcher" from com.epicgames: the vendor's own short name, when no other
  // installed app's name begins with it.
  if (all >= 2 && !vendor_.empty()) {
    const std::string first = alnumLower(words.empty() ? std::string{} : words.front());
    const bool taken = std::any_of(peers_.begin(), peers_.end(),
                                   [&](const AppIdentity& peer) { return startsWith(alnumLower(peer.name), first); });
    if (first.size() >= kShortNameLength && first != vendor_ && startsWith(vendor_, first) && !taken) firstWord_ = first;
  }

  if (identity.teamIdentifier) team_ = *identity.teamIdentifier;
  for (char& c : team_) c = isLower(c) ? static_cast<char>(c - 'a' + 'A') : c;
  // The vendor's label names the product when it is the app's name, perhaps with an edition word
  // ("utmapp" for UTM).
  productNamed_ = !vendor_.empty() && (vendor_ == name_ || vendor_ == shortened_ || vendor_ == nameStem_ ||
                                       (startsWith(vendor_, name_) && among(kQualifiers, std::string_view(vendor_).substr(name_.size()))));
  commonWord_ = isCommonWord(name_);
  nameShared_ = std::any_of(peers_.begin(), peers_.end(), [&](const AppIdentity& peer) { return alnumLower(peer.name) == name_; });

  // What mayMatch() looks for: every text a rule compares, minus those that hold a shorter one.
  std::vector<std::string> wanted = {name_, shortened_, product_, vendor_, nameStem_, firstWord_,
                                     MatchEngine::normalized(identity.name)};
  for (const auto& t : targets_) wanted.push_back(alnumLower(t));
  const auto own = labels(identity.bundleIdentifier.value_or(""));
  for (std::size_t i = 2; i < own.size(); ++i)
    if (own[i].size() >= kShortNameLength) wanted.push_back(alnumLower(own[i]));
  std::erase_if(wanted, [](const std::string& w) { return w.empty(); });
  std::sort(wanted.begin(), wanted.end(), [](const std::string& a, const std::string& b) { return a.size() < b.size(); });
  for (const auto& w : wanted)
    if (std::none_of(needles_.begin(), needles_.end(), [&](const std::string& n) { return w.find(n) != std::string::npos; }))
      needles_.push_back(w);
}

bool Matcher::mayMatch(std::string_view name) const {
  // Perhaps a developer-team prefix: ten letters or digits and a dot.
  if (name.size() > kTeamLength + 1 && name[kTeamLength] == '.' &&
      std::all_of(name.begin(), name.begin() + kTeamLength, [](char c) { return isAlnum(c); }))
    return true;
  char letters[256];  // a Mac file name holds at most 255 bytes
  if (name.size() > sizeof letters) return true;
  std::size_t count = 0;
  for (char c : name) {
    if (static_cast<unsigned char>(c) >= 0x80) return true;  // folding may make it any letters
    letters[count] = isUpper(c) ? static_cast<char>(c - 'A' + 'a') : c;
    count += isAlnum(c) ? 1 : 0;
  }
  const std::string_view folded(letters, count);
  return std::any_of(needles_.begin(), needles_.end(),
                     [&](const std::string& n) { return folded.find(n) != std::string_view::npos; });
}

std::optional<MatchEvidence> Matcher::assessHomeItem(std::string_view name, std::string_view where) const {
  // The folders every home has belong to the user, whatever app shares their name.
  static constexpr std::array<std::string_view, 11> kUsersOwn = {
      "Applications", "Desktop", "Documents", "Downloads", "Library", "Movies",
      "Music",        "Pictures", "Public",   "Sites",     "Developer"};
  if (among(kUsersOwn, name)) return std::nullopt;
  std::string_view bare = name;
  if (!bare.empty() && bare.front() == '.') bare.remove_prefix(1);
  const std::string letters = alnumLower(bare);
  if (letters.empty()) return std::nullopt;
  const bool exact = letters == name_ || (!nameStem_.empty() && letters == nameStem_) ||
                     (!shortened_.empty() && letters == shortened_);
  if (!exact && bare.size() != name.size()) {
    // A hidden item named for a label of the app's identifier that is neither the top-level domain nor
    // an everyday word (".macvirt" for dev.kdrag0n.MacVirt).
    const auto parts = identity_.bundleIdentifier ? labels(*identity_.bundleIdentifier) : std::vector<std::string>{};
    for (std::size_t i = 1; i < parts.size(); ++i) {
      if (parts[i] != platform::lowercased(bare) || parts[i].size() < kShortNameLength || isCommonWord(alnumLower(parts[i])))
        continue;
      return MatchEvidence(EvidenceKind::relatedComponent,
                           "Named exactly for the label " + parts[i] + " of this app's identifier " + std::string(where) +
                               "; held at Review because apps do not record such folders.",
                           kQualifiedNameWeight);
    }
  }
  if (!exact || (name_.size() < kShortNameLength && bare.size() != name_.size())) return std::nullopt;
  return MatchEvidence(EvidenceKind::appName,
                       "Named exactly for the application name " + identity_.name + " " + std::string(where) +
                           "; held at Review because apps do not record such folders.",
                       kQualifiedNameWeight);
}

std::optional<MatchEvidence> Matcher::assessExtension(std::string_view name) const {
  const auto dot = name.rfind('.');
  const std::string_view stem = name.substr(0, dot == std::string_view::npos ? name.size() : dot);
  if (name_.size() < kShortNameLength || occurrence(stem, name_) < Claim::wholeWord) return std::nullopt;
  return MatchEvidence(EvidenceKind::appName,
                       "A browser extension named for the application name " + identity_.name + "; held at Review.",
                       kQualifiedNameWeight);
}

bool Matcher::isVendorFolder(std::string_view name) const {
  const std::size_t end = vendor_.empty() ? 0 : alnumPrefixLength(name, vendor_);
  return end > 0 && std::none_of(name.begin() + static_cast<std::ptrdiff_t>(end), name.end(), isAlnum);
}

std::optional<MatchEvidence> Matcher::assess(const Url& url, std::string_view below) const {
  const std::string stem = bundleStemOf(url);
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
    if (!name_.empty() && occurrence(*team, name_) >= Claim::wholeWord)
      return why(EvidenceKind::appName,
                 "Named for the application name " + identity_.name +
                     " behind a developer-team prefix; held at Review because no signature declares it.",
                 kNameWeight);
  } else if (stem.size() > kTeamLength + 1 && stem[kTeamLength] == '.') {
    // Recent-document lists write the team in lower case; only an identifier of the app may follow it.
    const std::string rest = stem.substr(kTeamLength + 1);
    for (const auto& t : targets_)
      if (MatchEngine::identifierMatch(rest, t) != IdentifierMatch::none)
        return why(EvidenceKind::relatedComponent,
                   "Named for this app's identifier family (" + t +
                       ") behind a developer-team prefix; held at Review because no signature declares it.",
                   kHelperWeight);
  }

  // The name as written, behind a team prefix, or behind the "iCloud." of a document container.
  std::optional<std::string> cloud;
  if (startsWith(platform::lowercased(stem), "icloud.") && stem.size() > 7) cloud = stem.substr(7);
  for (const std::string* form : std::array<const std::string*, 3>{&stem, team ? &*team : nullptr, cloud ? &*cloud : nullptr}) {
    if (!form) continue;
    const std::string lowered = platform::lowercased(*form);
    for (const auto& t : targets_) {
      if (lowered.size() > t.size() && startsWith(lowered, t) && isUpper((*form)[t.size()]))
        return why(EvidenceKind::relatedComponent,
                   "Named as this app's identifier " + t + " followed directly by the word " +
                       form->substr(t.size()) + ", the way its helpers are named; held at Review.",
                   kHelperWeight);
    }
    if (!vendorPrefix_.empty() && (lowered == vendorPrefix_ || startsWith(lowered, vendorPrefix_ + ".")))
      return why(EvidenceKind::sameDeveloper,
                 "Named under this app's vendor prefix " + vendorPrefix_ +
                     ", which no other installed app uses; held at Review because the vendor may ship more apps.",
                 kHelperWeight);
    // Under a prefix the vendor's other apps share, only a label that starts with this app's product.
    const auto parts = labels(lowered);
    const auto own = identity_.bundleIdentifier ? labels(*identity_.bundleIdentifier) : std::vector<std::string>{};
    if (parts.size() >= 3 && own.size() >= 3 && parts[0] == own[0] && parts[1] == own[1] && product_ != name_ &&
        product_.size() >= kMinimumProductLength && parts[2] != own[2]) {
      const std::string written = form->substr(parts[0].size() + parts[1].size() + 2);
      if (startsWith(alnumLower(parts[2]), product_) && occurrence(written.substr(0, written.find('.')), product_) >= Claim::wholeWord)
        return why(EvidenceKind::sameDeveloper,
                   "Named under the vendor prefix " + leadingLabels(own, 2) + " for this app's product " +
                       productWord_ + "; held at Review because other apps of the vendor share the prefix.",
                   kQualifiedNameWeight);
    }
  }

  if (name_.size() < kShortNameLength) {
    if (!name_.empty() && occurrence(stem, name_) >= Claim::wholeWord && startsWith(alnumLower(stem), name_))
      return why(EvidenceKind::appName,
                 "Named with the short application name " + identity_.name +
                     " as a whole word; short names match by accident more easily, so it is held at Review.",
                 kShortNameWeight);
  } else if (alnumLower(stem) == name_) {
    return why(EvidenceKind::appName,
               identity_.name.find('.') != std::string::npos
                   ? "Named exactly for the application name " + identity_.name +
                         ", whose last dot-label is part of the name; held at Review."
                   : "Named exactly for the application name " + identity_.name +
                         " where items are usually tied by their identifier; held at Review.",
               kNameWeight);
  }
  if (!shortened_.empty() && alnumLower(stem) == shortened_)
    return why(EvidenceKind::appName,
               "Named " + stem + ", the application name without its trailing qualifier; held at Review.",
               kQualifiedNameWeight);

  // "ZoomUpdater" for "zoom.us": the name before its dot-label, then directly a new word.
  for (const std::string* form : std::array<const std::string*, 2>{&stem, team ? &*team : nullptr}) {
    if (!form || nameStem_.empty()) continue;
    const std::size_t end = alnumPrefixLength(*form, nameStem_);
    if (end > 0 && end < form->size() && isUpper((*form)[end]) && isLower((*form)[end - 1]))
      return why(EvidenceKind::appName,
                 "Named as the application name " + nameStemWritten_ + " followed directly by the word " +
                     form->substr(end) + ", the way its helpers are named; held at Review.",
                 kHelperWeight);
  }

  // An identifier of another vendor whose last label is this app's whole name ("org.keepassx.keepassxc").
  if (const auto parts = labels(stem); parts.size() >= 3 && name_.size() >= kShortNameLength &&
                                       alnumLower(parts.back()) == name_ && parts.back().size() == name_.size())
    return why(EvidenceKind::appName,
               "Named like an identifier whose last label is the application name " + identity_.name +
                   "; held at Review because the identifier is not this app's.",
               kQualifiedNameWeight);

  if (const auto label = runTogether(url))
    return why(EvidenceKind::appName, "Named " + *label + ": the application name " + identity_.name +
                                          " run together with an edition or a role word; held at Review.",
               kQualifiedNameWeight);
  // A label of the app's own identifier past its vendor's, as a whole name ("Codex" for com.openai.codex).
  if (const auto own = labels(identity_.bundleIdentifier.value_or("")); own.size() >= 3) {
    const std::string letters = alnumLower(stem);
    for (std::size_t i = 2; i < own.size(); ++i)
      if (letters == alnumLower(own[i]) && letters.size() >= kShortNameLength && !isCommonWord(letters) && letters != name_)
        return why(EvidenceKind::relatedComponent,
                   "Named exactly for the label " + own[i] + " of this app's identifier; held at Review.", kQualifiedNameWeight);
  }

  // The vendor's own name: a folder of it, or a name that starts with it, when no other installed app
  // comes from that vendor.
  if (!vendorPrefix_.empty() && vendor_ != name_) {
    const std::string letters = alnumLower(stem);
    if (letters == vendor_)
      return why(EvidenceKind::sameDeveloper,
                 "Named for this app's vendor " + stem +
                     ", from which no other app is installed; held at Review because it may hold the vendor's "
                     "other products' data.",
                 kQualifiedNameWeight);
    const std::size_t end = alnumPrefixLength(stem, vendor_);
    if (end > 0 && end < stem.size() && (!isAlnum(stem[end]) || boundary(stem[end - 1], stem[end])))
      return why(EvidenceKind::sameDeveloper,
                 "Named starting with this app's vendor " + stem.substr(0, end) +
                     ", from which no other app is installed; held at Review because the vendor may ship more apps.",
                 kQualifiedNameWeight);
  }
  if (!firstWord_.empty() && alnumLower(stem) == firstWord_)
    return why(EvidenceKind::appName,
               "Named " + stem + ", the first word of the application name and of its vendor's; held at Review.",
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

std::optional<MatchEvidence> Matcher::strong(const Url& url) const {
  const std::string stem = bundleStemOf(url);
  const auto why = [](EvidenceKind kind, std::string text) {
    return std::optional<MatchEvidence>(MatchEvidence(kind, std::move(text), kStrongWeight));
  };
  std::string_view form = stem;
  const std::optional<std::string> team = withoutTeamPrefix(stem);
  if (team) {
    // A team prefix counts only when it is the app's own, as its signature declares.
    if (team_.size() != kTeamLength || stem.compare(0, kTeamLength, team_) != 0) return std::nullopt;
    for (const auto& t : targets_) {
      const auto m = MatchEngine::identifierMatch(*team, t);
      if (m != IdentifierMatch::none)
        return why(EvidenceKind::teamIdentifier,
                   "Named for " + std::string(m == IdentifierMatch::exact ? "this app's identifier " : "a member of this app's identifier family ") +
                       t + " behind the developer team " + team_ + " that the app's signature declares.");
    }
    for (const std::string* n : {&name_, &nameStem_})
      if (n->size() >= kShortNameLength && occurrence(*team, *n) >= Claim::wholeWord)
        return why(EvidenceKind::teamIdentifier, "Named for the application name " + identity_.name +
                                                     " behind the developer team " + team_ +
                                                     " that the app's signature declares.");
    form = *team;
  }
  std::string lowered = platform::lowercased(form);
  if (startsWith(lowered, "group.") && lowered.size() > 6) {
    lowered.erase(0, 6);
    form.remove_prefix(6);
  }

  // The app's own identifier followed directly by a word: how its helpers are named.
  for (const auto& t : targets_)
    if (lowered.size() > t.size() && startsWith(lowered, t) && isUpper(form[t.size()]))
      return why(EvidenceKind::relatedComponent, "Named as this app's identifier " + t + " followed directly by the word " +
                                                     std::string(form.substr(t.size())) + ", the way its helpers are named.");

  const auto parts = labels(lowered);
  if (!vendorPrefix_.empty() && (lowered == vendorPrefix_ || startsWith(lowered, vendorPrefix_ + "."))) {
    // The rest must name the product: the vendor's label is the app's name, the rest holds the product's
    // name or the label that names the product in the app's identifier, or it is the vendor's crash
    // reporter or updater, which no other installed app of the vendor uses.
    static constexpr std::array<std::string_view, 7> kVendorServices = {
        "crashreporter", "crashreportclient", "crashpad", "updater", "update", "autoupdate", "softwareupdate"};
    const std::string_view rest = form.substr(std::min(form.size(), vendorPrefix_.size() + 1));
    const auto own = labels(identity_.bundleIdentifier.value_or(""));
    const bool productLabel = own.size() >= 4 && parts.size() >= 3 && parts[2] == own[2];
    const bool service = parts.size() >= 3 && among(kVendorServices, alnumLower(parts[2]));
    if (productNamed_ || productLabel ||
        (product_.size() >= kMinimumProductLength && occurrence(rest, product_) >= Claim::wholeWord))
      return why(EvidenceKind::sameDeveloper, "Named under the vendor prefix " + vendorPrefix_ +
                                                  ", which no other installed app shares, for this app's product " +
                                                  (productNamed_ || productLabel ? identity_.name : productWord_) + ".");
    if (service)
      return why(EvidenceKind::sameDeveloper, "Named for the " + parts[2] + " of the vendor prefix " + vendorPrefix_ +
                                                  ", which no other installed app shares.");
  }

  // Another identifier that names the app's product by its whole, uncommon name, under a prefix no
  // installed app uses ("com.webex.meetingmanager" for Webex).
  if (parts.size() >= 3 && parts[0].size() >= 2 && parts[0].size() <= 6 && name_.size() >= kShortNameLength &&
      !commonWord_ && !nameShared_) {
    const std::string prefix = parts[0] + "." + parts[1];
    const bool used = std::any_of(peers_.begin(), peers_.end(), [&](const AppIdentity& peer) {
      const auto ids = targetsOf(peer);
      return std::any_of(ids.begin(), ids.end(), [&](const std::string& id) { return id == prefix || startsWith(id, prefix + "."); });
    });
    // Labels as written, for the word boundary after the name.
    std::vector<std::string> written;
    for (std::size_t start = 0, dot = 0; dot != std::string_view::npos; start = dot + 1) {
      dot = form.find('.', start);
      if (const auto l = form.substr(start, dot == std::string_view::npos ? dot : dot - start); !l.empty())
        written.emplace_back(l);
    }
    const bool named = std::any_of(written.begin() + 1, written.end(), [&](const std::string& l) {
      const std::string letters = alnumLower(l);
      return startsWith(letters, name_) && (letters.size() == name_.size() || (isUpper(l[alnumPrefixLength(l, name_)]) &&
                                                                             onlyEditionsRolesAndNumbers(std::string_view(letters).substr(name_.size()))));
    });
    if (named && !used && !among(kSharedPrefixes, prefix))
      return why(EvidenceKind::appName, "Named like an identifier of this app's product " + identity_.name + " under the prefix " +
                                            prefix + ", which no installed app uses.");
  }

  // The app's own, uncommon name, or that name without its trailing qualifier, followed by nothing but a
  // version, a date or an edition word ("PyCharm2025.1", "firefox_2024-05-01", "Docker Desktop").
  if (commonWord_ || nameShared_ || name_.size() < kShortNameLength) return std::nullopt;
  const std::string name = url.lastPathComponent(), extension = url.pathExtension();
  for (const std::string& text : {stem, name.substr(0, name.size() - (extension.empty() ? 0 : extension.size() + 1))}) {
    const std::string letters = alnumLower(text);
    // The whole name, the name without its trailing qualifier, or the product without the vendor's name.
    for (const std::string* n : {&name_, &shortened_, &product_}) {
      if (n->size() < kShortNameLength || !startsWith(letters, *n) || (n != &name_ && isCommonWord(*n))) continue;
      const std::size_t end = alnumPrefixLength(text, *n);
      if (end < text.size() && isAlnum(text[end]) && !boundary(text[end - 1], text[end])) continue;
      if (!onlyEditionsRolesAndNumbers(std::string_view(letters).substr(n->size()))) continue;
      return why(EvidenceKind::appName, "Named " + text + ": the application name " + identity_.name +
                                            ", which is no everyday word, with nothing but a version, a date, an "
                                            "edition or the role of one of its processes.");
    }
  }
  return std::nullopt;
}

std::optional<std::string> Matcher::runTogether(const Url& url) const {
  for (const auto& label : labels(stemOf(url))) {
    const std::string letters = alnumLower(label);
    for (const std::string* n : {&name_, &shortened_, &nameStem_})
      if (n->size() >= kShortNameLength && letters.size() > n->size() && startsWith(letters, *n) &&
          !isDigit(letters[n->size()]) && onlyEditionsRolesAndNumbers(std::string_view(letters).substr(n->size())))
        return label;
  }
  return std::nullopt;
}

std::optional<MatchEvidence> Matcher::distinctiveName(const Url& url) const {
  if (name_.size() < kShortNameLength || commonWord_ || nameShared_ || alnumLower(stemOf(url)) != name_) return std::nullopt;
  return MatchEvidence(EvidenceKind::appName,
                       "The application name " + identity_.name +
                           " is no word of everyday language and no other installed app's name, so an item named "
                           "exactly for it is this app's.",
                       kDistinctiveNameWeight);
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
