#include "analysis/extended_rules.h"

#include <algorithm>
#include <vector>

#include "analysis/extended_rule_helpers.h"

namespace corvane::ExtendedMatching {

namespace {

using namespace rule_support;

// Strong rules. The team rules are the Review ones' (identifierBehindTeam, familyBehindTeam), read with
// the app's own team only.

Found nameBehindOwnTeam(const AppFacts& app, const Item& item) {
  if (!item.team) return kNo;
  for (const std::string* n : {&app.name, &app.nameStem})
    if (n->size() >= kShortNameLength && occurrence(*item.team, *n) >= Claim::wholeWord) return Fills{};
  return kNo;
}
Found ownIdentifierAndWord(const AppFacts& app, const Item& item) { return identifierAndWord(app, item.identifierForm); }

Found productUnderUnsharedPrefix(const AppFacts& app, const Item& item) {
  const std::string& form = item.identifierForm;
  const std::string lowered = platform::lowercased(form);
  if (!underVendorPrefix(app, lowered)) return kNo;
  const auto parts = labels(lowered);
  const std::string_view rest = std::string_view(form).substr(std::min(form.size(), app.vendorPrefix.size() + 1));
  const auto own = labels(app.identity.bundleIdentifier.value_or(""));
  const bool productLabel = own.size() >= 4 && parts.size() >= 3 && parts[2] == own[2];
  if (app.productNamed || productLabel ||
      (app.product.size() >= kMinimumProductLength && occurrence(rest, app.product) >= Claim::wholeWord))
    return Fills{app.vendorPrefix, app.productNamed || productLabel ? app.identity.name : app.productWord};
  return kNo;
}
// What a vendor service is, for sentences: its crash reporter or its updater.
std::string serviceRole(std::string_view service) {
  return service.find("crash") != std::string_view::npos ? "crash reporter" : "updater";
}

// The service a name stands for when it is one ("updater") or the vendor's name run together with one
// ("googleupdater"): "crash reporter" or "updater"; empty otherwise.
std::string vendorService(const AppFacts& app, const std::string& letters) {
  if (among(kVendorServices, letters)) return serviceRole(letters);
  if (app.vendor.size() >= kMinimumProductLength && startsWith(letters, app.vendor) &&
      among(kVendorServices, std::string_view(letters).substr(app.vendor.size())))
    return serviceRole(std::string_view(letters).substr(app.vendor.size()));
  return {};
}

Found vendorServiceUnderUnsharedPrefix(const AppFacts& app, const Item& item) {
  const std::string lowered = platform::lowercased(item.identifierForm);
  const auto parts = labels(lowered);
  if (!underVendorPrefix(app, lowered) || parts.size() < 3) return kNo;
  const std::string service = vendorService(app, alnumLower(parts[2]));
  return service.empty() ? kNo : Found(Fills{service, app.vendorPrefix});
}

// The vendor's name run together with one of the services a vendor keeps for all its apps
// ("GoogleSoftwareUpdate"), when no other installed app comes from the vendor.
Found vendorServiceByName(const AppFacts& app, const Item& item) {
  if (app.vendorPrefix.empty() || app.vendor == app.name) return kNo;
  const std::string letters = alnumLower(item.stem);
  if (letters.size() <= app.vendor.size()) return kNo;
  const std::string service = vendorService(app, letters);
  return service.empty() ? kNo : Found(Fills{item.stem, service});
}

// Another identifier that names the app's product by its whole, uncommon name, under a prefix no
// installed app uses ("com.webex.meetingmanager" for Webex).
Found productIdentifierUnderUnusedPrefix(const AppFacts& app, const Item& item) {
  const std::string_view form = item.identifierForm;
  const auto parts = labels(platform::lowercased(form));
  if (parts.size() < 3 || parts[0].size() < 2 || parts[0].size() > 6 || app.name.size() < kShortNameLength ||
      app.commonWord || app.nameShared)
    return kNo;
  const std::string prefix = parts[0] + "." + parts[1];
  if (prefixUsedBy(app.peers, prefix) || among(kSharedPrefixes, prefix)) return kNo;
  // Labels as written, for the word boundary after the name.
  std::vector<std::string> written;
  for (std::size_t start = 0, dot = 0; dot != std::string_view::npos; start = dot + 1) {
    dot = form.find('.', start);
    if (const auto l = form.substr(start, dot == std::string_view::npos ? dot : dot - start); !l.empty())
      written.emplace_back(l);
  }
  const bool named = std::any_of(written.begin() + 1, written.end(), [&](const std::string& l) {
    const std::string letters = alnumLower(l);
    return startsWith(letters, app.name) &&
           (letters.size() == app.name.size() ||
            (isUpper(l[alnumPrefixLength(l, app.name)]) &&
             onlyEditionsRolesAndNumbers(std::string_view(letters).substr(app.name.size()))));
  });
  return named ? Found(Fills{prefix, {}}) : kNo;
}

// The app's own, uncommon name, or that name without its trailing qualifier, followed by nothing but a
// version, a date or an edition word ("PyCharm2025.1", "firefox_2024-05-01", "Docker Desktop").
Found distinctiveNameAndVersion(const AppFacts& app, const Item& item) {
  if (app.commonWord || app.nameShared || app.name.size() < kShortNameLength) return kNo;
  const std::string name = item.url.lastPathComponent(), extension = item.url.pathExtension();
  for (const std::string& text : {item.stem, name.substr(0, name.size() - (extension.empty() ? 0 : extension.size() + 1))}) {
    const std::string letters = alnumLower(text);
    // The whole name, the name without its trailing qualifier, or the product without the vendor's name.
    for (const std::string* n : {&app.name, &app.shortened, &app.product}) {
      if (n->size() < kShortNameLength || !startsWith(letters, *n) || (n != &app.name && isCommonWord(*n))) continue;
      const std::size_t end = alnumPrefixLength(text, *n);
      if (end < text.size() && isAlnum(text[end]) && !boundary(text[end - 1], text[end])) continue;
      if (!onlyEditionsRolesAndNumbers(std::string_view(letters).substr(n->size()))) continue;
      return Fills{text, {}};
    }
  }
  return kNo;
}

// The product line under a vendor prefix no other installed app shares ("org.pqrs.karabiner.agent" for
// Karabiner-Elements).
Found productLineUnderUnsharedPrefix(const AppFacts& app, const Item& item) {
  const std::string& form = item.identifierForm;
  if (app.productLine.empty() || !underVendorPrefix(app, platform::lowercased(form))) return kNo;
  const std::string_view rest = std::string_view(form).substr(std::min(form.size(), app.vendorPrefix.size() + 1));
  if (occurrence(rest, app.productLine) < Claim::wholeWord) return kNo;
  return Fills{app.vendorPrefix, app.identity.name.substr(0, alnumPrefixLength(app.identity.name, app.productLine))};
}

// Whether `written` is the product, then on a word boundary nothing but roles, editions and digits.
bool productAndRoles(const AppFacts& app, std::string_view written) {
  if (app.product == app.name || app.product.size() < kShortNameLength || isCommonWord(app.product)) return false;
  const std::size_t end = alnumPrefixLength(written, app.product);
  if (end == 0 || (end < written.size() && isAlnum(written[end]) && !boundary(written[end - 1], written[end])))
    return false;
  return onlyEditionsRolesAndNumbers(alnumLower(written.substr(end)));
}

// The product, when it is no everyday word, with nothing but a role or an edition, as the label after the
// vendor's own prefix, even one the vendor's other apps share ("com.acme.QuillpadUpdater" for Acme Quillpad).
Found productAndRoleUnderVendorPrefix(const AppFacts& app, const Item& item) {
  const auto own = labels(app.identity.bundleIdentifier.value_or(""));
  if (own.size() < 3) return kNo;
  const std::string& form = item.identifierForm;
  const auto parts = labels(form);
  if (parts.size() < 3 || parts[0] != own[0] || parts[1] != own[1] || parts[2] == own[2]) return kNo;
  const std::string written = form.substr(parts[0].size() + parts[1].size() + 2);
  return productAndRoles(app, written.substr(0, written.find('.'))) ? Found(Fills{leadingLabels(own, 2), app.productWord})
                                                                     : kNo;
}

// The app's own, uncommon name as the label after a prefix that frameworks give to apps of many vendors
// ("com.electron.dockerdesktop"), with nothing but an edition or a role run together with it.
Found nameUnderFrameworkPrefix(const AppFacts& app, const Item& item) {
  const auto parts = labels(item.identifierForm);
  if (parts.size() < 3 || app.commonWord || app.nameShared || app.name.size() < kShortNameLength) return kNo;
  const std::string prefix = parts[0] + "." + parts[1];
  if (!among(kSharedPrefixes, prefix) || prefix == "com.apple") return kNo;
  const std::string letters = alnumLower(parts[2]);
  return startsWith(letters, app.name) && onlyEditionsRolesAndNumbers(std::string_view(letters).substr(app.name.size()))
             ? Found(Fills{prefix, parts[2]})
             : kNo;
}

// A log named for the vendor, from which no other app is installed: logs hold nothing a user keeps.
// A log file, that is: a folder named for the vendor keeps the logs of all its products, removed ones too.
Found logNamedForVendor(const AppFacts& app, const Item& item) {
  if (item.kind != FindingKind::log || app.vendorPrefix.empty() || app.vendor == app.name ||
      app.vendor.size() < kShortNameLength || isCommonWord(app.vendor) || item.url.pathExtension().empty())
    return kNo;
  const std::string& stem = item.stem;
  const std::size_t end = alnumPrefixLength(stem, app.vendor);
  return end > 0 && (end == stem.size() || !isAlnum(stem[end]) || boundary(stem[end - 1], stem[end]))
             ? Found(Fills{stem.substr(0, end), {}})
             : kNo;
}

// The app's product with nothing but roles, editions or a version, directly in the folder of a vendor from
// which no other app is installed ("Microsoft/Teams" for Microsoft Teams alone).
Found productInUnsharedVendorFolder(const AppFacts& app, const Item& item) {
  if (app.vendorPrefix.empty() || app.product.size() < kMinimumProductLength || app.product == app.name) return kNo;
  const auto parts = url::pathComponents(item.below);
  if (parts.size() < 2 || !isVendorFolder(app, parts[parts.size() - 2])) return kNo;
  const std::string& stem = item.stem;
  const std::size_t end = alnumPrefixLength(stem, app.product);
  if (end == 0 || (end < stem.size() && isAlnum(stem[end]) && !boundary(stem[end - 1], stem[end]))) return kNo;
  return onlyEditionsRolesAndNumbers(alnumLower(std::string_view(stem).substr(end)))
             ? Found(Fills{parts[parts.size() - 2], app.productWord})
             : kNo;
}

// A label of the app's own identifier, no everyday word, as the whole name of an item in the vendor's
// folder ("Google/DriveFS" for com.google.drivefs).
Found identifierLabelInVendorFolder(const AppFacts& app, const Item& item) {
  const auto parts = url::pathComponents(item.below);
  if (parts.size() < 2 || !isVendorFolder(app, parts[parts.size() - 2])) return kNo;
  const auto own = labels(app.identity.bundleIdentifier.value_or(""));
  const std::string letters = alnumLower(item.stem);
  for (std::size_t i = 2; i < own.size(); ++i)
    if (letters == alnumLower(own[i]) && letters.size() >= kShortNameLength && !isCommonWord(letters))
      return Fills{parts[parts.size() - 2], own[i]};
  return kNo;
}

// A label of the app's own identifier past its vendor's that joins two words or more ("obs-studio" of
// com.obsproject.obs-studio), as an item's whole name: the vendor chose it for this app alone.
Found wordsOfIdentifierLabel(const AppFacts& app, const Item& item) {
  const auto own = labels(app.identity.bundleIdentifier.value_or(""));
  const std::string letters = alnumLower(item.stem);
  for (std::size_t i = own.size() >= 3 ? 2 : 1; i < own.size(); ++i) {
    if (letters != alnumLower(own[i]) || letters == app.name) continue;
    // Its words but editions and roles: two at least, or one that is no everyday word.
    std::vector<std::string> words;
    for (std::size_t start = 0; start < own[i].size();) {
      const std::size_t end = std::min(own[i].find_first_of("-_", start), own[i].size());
      if (const std::string w = own[i].substr(start, end - start); !w.empty() && !among(kQualifiers, w) && !among(kRoles, w))
        words.push_back(w);
      start = end + 1;
    }
    if (own[i].find_first_of("-_") != std::string::npos &&
        (words.size() >= 2 || (words.size() == 1 && words[0].size() >= kShortNameLength && !isCommonWord(words[0]) &&
                               alnumLower(words[0]) != app.name)))
      return Fills{own[i], {}};
  }
  return kNo;
}

// The app's short, uncommon name as an item's whole name, when the app's identifier has it as a label of
// its own ("Zed" for dev.zed.Zed, "VLC" for org.videolan.vlc): the vendor named the product so.
Found shortNameTheIdentifierNames(const AppFacts& app, const Item& item) {
  if (app.name.empty() || app.name.size() >= kShortNameLength || app.commonWord || app.nameShared ||
      alnumLower(item.stem) != app.name || item.stem.size() != app.name.size())
    return kNo;
  const auto own = labels(app.identity.bundleIdentifier.value_or(""));
  for (std::size_t i = 1; i < own.size(); ++i)
    if (own[i] == app.name) return Fills{own[i], {}};
  return kNo;
}

// The words of the vendor's label then the product's label of the app's identifier as an item's whole name
// ("Cisco Spark" for Cisco-Systems.Spark, "Google Chrome" for com.google.Chrome); the vendor may be given by
// its first word alone.
Found vendorAndProductWords(const AppFacts& app, const Item& item) {
  const auto own = labels(app.identity.bundleIdentifier.value_or(""));
  if (own.size() < 2 || (own.size() == 2 && own[0].size() <= 3)) return kNo;
  const std::string& vendorLabel = own[own.size() - 2];
  const std::string vendor = alnumLower(vendorLabel), product = alnumLower(own.back());
  const std::string vendorFirst = alnumLower(vendorLabel.substr(0, vendorLabel.find_first_of("-_")));
  if (vendorFirst.size() < kMinimumProductLength || product.size() < kMinimumProductLength) return kNo;
  const std::string& stem = item.stem;
  for (const std::string* v : {&vendorFirst, &vendor}) {
    const std::size_t end = alnumPrefixLength(stem, *v);
    if (end == 0 || end >= stem.size() || isAlnum(stem[end])) continue;
    if (alnumLower(std::string_view(stem).substr(end)) == product) return Fills{stem, {}};
  }
  return kNo;
}

// clang-format off
constexpr Rule kStrongRules[] = {
    // Strong, specific evidence: "Probably Leftover" in every location. A name behind another team's
    // prefix meets none of these.
    {"own identifier behind own team", kProbably, K::teamIdentifier, kStrongWeight,
     "Named for this app's identifier {1} behind the developer team {team} that the app's signature declares.",
     identifierBehindTeam},
    {"identifier family behind own team", kProbably, K::teamIdentifier, kStrongWeight,
     "Named for a member of this app's identifier family {1} behind the developer team {team} that the app's signature declares.",
     familyBehindTeam},
    {"name behind own team", kProbably, K::teamIdentifier, kStrongWeight,
     "Named for the application name {app} behind the developer team {team} that the app's signature declares.",
     nameBehindOwnTeam},
    {"identifier and a word", kProbably, K::relatedComponent, kStrongWeight,
     "Named as this app's identifier {1} followed directly by the word {2}, the way its helpers are named.",
     ownIdentifierAndWord},
    {"product under an unshared vendor prefix", kProbably, K::sameDeveloper, kStrongWeight,
     "Named under the vendor prefix {1}, which no other installed app shares, for this app's product {2}.",
     productUnderUnsharedPrefix},
    {"vendor service under an unshared vendor prefix", kProbably, K::sameDeveloper, kStrongWeight,
     "Named for the {1} of the vendor prefix {2}, which no other installed app shares.",
     vendorServiceUnderUnsharedPrefix},
    {"vendor service by name", kProbably, K::sameDeveloper, kStrongWeight,
     "Named {1}: the {2} of this app's vendor, from which no other app is installed.",
     vendorServiceByName},
    {"product identifier under an unused prefix", kProbably, K::appName, kStrongWeight,
     "Named like an identifier of this app's product {app} under the prefix {1}, which no installed app uses.",
     productIdentifierUnderUnusedPrefix},
    {"distinctive name and a version", kProbably, K::appName, kStrongWeight,
     "Named {1}: the application name {app}, which is no everyday word, with nothing but a version, a date, an edition or the role of one of its processes.",
     distinctiveNameAndVersion},

    {"product line under an unshared vendor prefix", kProbably, K::sameDeveloper, kStrongWeight,
     "Named under the vendor prefix {1}, which no other installed app shares, for this app's product line {2}.",
     productLineUnderUnsharedPrefix},
    {"product and a role under the vendor prefix", kProbably, K::sameDeveloper, kStrongWeight,
     "Named under the vendor prefix {1} for this app's product {2} with nothing but a role or an edition.",
     productAndRoleUnderVendorPrefix},
    {"name under a framework prefix", kProbably, K::appName, kStrongWeight,
     "Named {2} under the prefix {1}, which frameworks give to apps of many vendors: the application name {app}, which is no everyday word, with nothing but an edition or a role.",
     nameUnderFrameworkPrefix},
    {"product in an unshared vendor folder", kProbably, K::sameDeveloper, kStrongWeight,
     "Found in the folder of the vendor {1}, from which no other app is installed, and named for this app's product {2}.",
     productInUnsharedVendorFolder},
    {"identifier label in a vendor folder", kProbably, K::relatedComponent, kStrongWeight,
     "Found in the vendor folder {1} and named exactly for the label {2} of this app's identifier.",
     identifierLabelInVendorFolder},
    {"short name the identifier names", kProbably, K::appName, kStrongWeight,
     "Named exactly for the short application name {app}, which this app's identifier also gives as its label {1}.",
     shortNameTheIdentifierNames},
    {"words of an identifier label", kProbably, K::relatedComponent, kStrongWeight,
     "Named exactly for the label {1} of this app's identifier, which joins words the vendor chose for this app.",
     wordsOfIdentifierLabel},
    {"vendor and product words", kProbably, K::sameDeveloper, kStrongWeight,
     "Named {1}: the vendor and the product that this app's identifier names.",
     vendorAndProductWords},
    {"log named for the vendor", kProbably, K::sameDeveloper, kStrongWeight,
     "A log named for this app's vendor {1}, from which no other app is installed; logs hold nothing a user keeps.",
     logNamedForVendor},
};
// clang-format on

std::string filled(std::string_view sentence, const AppFacts& app, const Fills& fills) {
  std::string out;
  for (std::size_t i = 0; i < sentence.size();) {
    const auto open = sentence.find('{', i);
    const auto close = open == std::string_view::npos ? open : sentence.find('}', open);
    if (close == std::string_view::npos) {
      out.append(sentence.substr(i));
      break;
    }
    out.append(sentence.substr(i, open - i));
    const std::string_view key = sentence.substr(open + 1, close - open - 1);
    out += key == "app" ? app.identity.name : key == "team" ? app.team : key == "1" ? fills.first : fills.second;
    i = close + 1;
  }
  return out;
}

}  // namespace

std::span<const Rule> rules() {
  static const std::vector<Rule> all = [] {
    std::vector<Rule> out(std::begin(kStrongRules), std::end(kStrongRules));
    const auto review = reviewRules();
    out.insert(out.end(), review.begin(), review.end());
    return out;
  }();
  return all;
}

std::optional<Holding> firstHolding(Reach reach, const AppFacts& app, const Item& item) {
  if (reach == Reach::probablyLeftover && item.foreignTeam) return std::nullopt;
  for (const Rule& rule : rules()) {
    if (rule.reach != reach) continue;
    if (auto fills = rule.holds(app, item))
      return Holding{&rule, MatchEvidence(rule.kind, filled(rule.sentence, app, *fills), rule.weight)};
  }
  return std::nullopt;
}

Item::Item(const Url& u, const AppFacts& app, std::string_view belowPath, FindingKind locationKind)
    : url(u), stem(bundleStemOf(u)), team(withoutTeamPrefix(stem)), below(belowPath), kind(locationKind) {
  const std::string lowered = platform::lowercased(stem);
  if (startsWith(lowered, "icloud.") && stem.size() > 7) wrapped = stem.substr(7);
  if (const auto date = lowered.find('.', 6); startsWith(lowered, "regid.") && date != std::string::npos && date > 6 &&
                                              std::all_of(lowered.begin() + 6, lowered.begin() + static_cast<std::ptrdiff_t>(date),
                                                          [](char c) { return isDigit(c) || c == '-'; }))
    wrapped = stem.substr(date + 1);
  foreignTeam = team && (app.team.size() != kTeamLength || stem.compare(0, kTeamLength, app.team) != 0);
  identifierForm = team ? *team : wrapped ? *wrapped : stem;
  if (startsWith(platform::lowercased(identifierForm), "group.") && identifierForm.size() > 6) identifierForm.erase(0, 6);
}

}  // namespace corvane::ExtendedMatching
