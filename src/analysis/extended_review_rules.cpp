// The extended matching's rules held at Review: weaker evidence, read after the strong rules.

#include <algorithm>

#include "analysis/extended_rule_helpers.h"

namespace corvane::ExtendedMatching {

namespace {

using namespace rule_support;

Found nameBehindTeam(const AppFacts& app, const Item& item) {
  return item.team && !app.name.empty() && occurrence(*item.team, app.name) >= Claim::wholeWord ? Found(Fills{}) : kNo;
}
// Recent-document lists write the team in lower case; only an identifier of the app may follow it.
Found familyBehindLowerCaseTeam(const AppFacts& app, const Item& item) {
  if (item.team || item.stem.size() <= kTeamLength + 1 || item.stem[kTeamLength] != '.') return kNo;
  const std::string rest = item.stem.substr(kTeamLength + 1);
  for (const auto& t : app.targets)
    if (MatchEngine::identifierMatch(rest, t) != IdentifierMatch::none) return Fills{t, {}};
  return kNo;
}
Found identifierAndWordInAnyForm(const AppFacts& app, const Item& item) {
  return inEachForm(item, [&](const std::string& form) { return identifierAndWord(app, form); });
}
Found underUnsharedPrefix(const AppFacts& app, const Item& item) {
  return inEachForm(item, [&](const std::string& form) {
    return underVendorPrefix(app, platform::lowercased(form)) ? Found(Fills{app.vendorPrefix, {}}) : kNo;
  });
}
// Under a prefix the vendor's other apps share, only a label that starts with this app's product.
Found productUnderSharedPrefix(const AppFacts& app, const Item& item) {
  const auto own = labels(app.identity.bundleIdentifier.value_or(""));
  if (own.size() < 3 || app.product == app.name || app.product.size() < kMinimumProductLength) return kNo;
  return inEachForm(item, [&](const std::string& form) {
    const auto parts = labels(form);
    if (parts.size() < 3 || parts[0] != own[0] || parts[1] != own[1] || parts[2] == own[2]) return kNo;
    const std::string written = form.substr(parts[0].size() + parts[1].size() + 2);
    if (!startsWith(alnumLower(parts[2]), app.product) ||
        occurrence(written.substr(0, written.find('.')), app.product) < Claim::wholeWord)
      return kNo;
    return Found(Fills{leadingLabels(own, 2), app.productWord});
  });
}
Found shortNameAsWord(const AppFacts& app, const Item& item) {
  return app.name.size() < kShortNameLength && !app.name.empty() && occurrence(item.stem, app.name) >= Claim::wholeWord &&
                 startsWith(alnumLower(item.stem), app.name)
             ? Found(Fills{})
             : kNo;
}
Found exactDottedName(const AppFacts& app, const Item& item) {
  return app.name.size() >= kShortNameLength && alnumLower(item.stem) == app.name &&
                 app.identity.name.find('.') != std::string::npos
             ? Found(Fills{})
             : kNo;
}
Found exactName(const AppFacts& app, const Item& item) {
  return app.name.size() >= kShortNameLength && alnumLower(item.stem) == app.name ? Found(Fills{}) : kNo;
}
Found nameWithoutQualifier(const AppFacts& app, const Item& item) {
  return !app.shortened.empty() && alnumLower(item.stem) == app.shortened ? Found(Fills{item.stem, {}}) : kNo;
}
// "ZoomUpdater" for "zoom.us": the name before its dot-label, then directly a new word.
Found nameStemAndWord(const AppFacts& app, const Item& item) {
  if (app.nameStem.empty()) return kNo;
  return inEachForm(
      item,
      [&](const std::string& form) {
        const std::size_t end = alnumPrefixLength(form, app.nameStem);
        return end > 0 && end < form.size() && isUpper(form[end]) && isLower(form[end - 1])
                   ? Found(Fills{app.nameStemWritten, form.substr(end)})
                   : kNo;
      },
      /*wrapped=*/false);
}
// An identifier of another vendor whose last label is this app's whole name ("org.keepassx.keepassxc").
Found identifierEndingInName(const AppFacts& app, const Item& item) {
  const auto parts = labels(item.stem);
  return parts.size() >= 3 && app.name.size() >= kShortNameLength && alnumLower(parts.back()) == app.name &&
                 parts.back().size() == app.name.size()
             ? Found(Fills{})
             : kNo;
}
Found nameRunTogether(const AppFacts& app, const Item& item) {
  if (auto label = runTogether(app, item.url)) return Fills{*label, {}};
  return kNo;
}
// A label of the app's own identifier past its vendor's, as a whole name ("Codex" for com.openai.codex).
Found identifierLabel(const AppFacts& app, const Item& item) {
  const auto own = labels(app.identity.bundleIdentifier.value_or(""));
  const std::string letters = alnumLower(item.stem);
  for (std::size_t i = 2; own.size() >= 3 && i < own.size(); ++i)
    if (letters == alnumLower(own[i]) && letters.size() >= kShortNameLength && !isCommonWord(letters) && letters != app.name)
      return Fills{own[i], {}};
  return kNo;
}
// The last label of the app's identifier with nothing but editions or roles run on in capitalised words
// ("SparkMacDesktop" for Cisco-Systems.Spark).
Found productLabelAndEditions(const AppFacts& app, const Item& item) {
  const auto own = labels(app.identity.bundleIdentifier.value_or(""));
  if (own.size() < 2) return kNo;
  const std::string label = alnumLower(own.back());
  const std::string& stem = item.stem;
  const std::size_t end = label.size() < kMinimumProductLength ? 0 : alnumPrefixLength(stem, label);
  // Run together with a capital only: "Spark Desktop" is as likely another product's name.
  if (end == 0 || end >= stem.size() || !isUpper(stem[end]) || !isLower(stem[end - 1])) return kNo;
  const std::string rest = alnumLower(std::string_view(stem).substr(end));
  return !rest.empty() && !isDigit(rest[0]) && onlyEditionsRolesAndNumbers(rest)
             ? Found(Fills{stem.substr(0, end), stem.substr(end)})
             : kNo;
}
// The vendor's own name, when no other installed app comes from that vendor.
Found vendorName(const AppFacts& app, const Item& item) {
  return !app.vendorPrefix.empty() && app.vendor != app.name && alnumLower(item.stem) == app.vendor
             ? Found(Fills{item.stem, {}})
             : kNo;
}
Found startsWithVendorName(const AppFacts& app, const Item& item) {
  if (app.vendorPrefix.empty() || app.vendor == app.name) return kNo;
  const std::string& stem = item.stem;
  const std::size_t end = alnumPrefixLength(stem, app.vendor);
  return end > 0 && end < stem.size() && (!isAlnum(stem[end]) || boundary(stem[end - 1], stem[end]))
             ? Found(Fills{stem.substr(0, end), {}})
             : kNo;
}
Found firstWordOfNameAndVendor(const AppFacts& app, const Item& item) {
  return !app.firstWord.empty() && alnumLower(item.stem) == app.firstWord ? Found(Fills{item.stem, {}}) : kNo;
}
// The nearest vendor folder above the item, and the item named for the product.
Found productInVendorFolder(const AppFacts& app, const Item& item) {
  const auto parts = url::pathComponents(item.below);
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
    if (!isVendorFolder(app, parts[i])) continue;
    if (app.product.size() >= kMinimumProductLength && occurrence(item.stem, app.product) >= Claim::wholeWord)
      return Fills{parts[i], {}};
    break;
  }
  return kNo;
}

// An identifier under a web domain made of the app's own, uncommon name and a domain word, under a prefix no
// other installed app uses ("com.getquillpad.app" for Quillpad).
Found nameAsWebDomain(const AppFacts& app, const Item& item) {
  const auto parts = labels(platform::lowercased(item.identifierForm));
  if (parts.size() < 2 || parts[0].size() < 2 || parts[0].size() > 6 || app.commonWord || app.nameShared ||
      prefixUsedBy(app.peers, parts[0] + "." + parts[1]))
    return kNo;
  const std::string domain = alnumLower(parts[1]);
  for (const std::string* n : {&app.name, &app.shortened}) {
    if (n->size() < kShortNameLength || isCommonWord(*n) || domain.size() <= n->size()) continue;
    const std::size_t at = domain.find(*n);
    const std::string_view before = std::string_view(domain).substr(0, at);
    const std::string_view after = std::string_view(domain).substr(at == std::string::npos ? 0 : at + n->size());
    if (at != std::string::npos && ((after.empty() && among(kDomainPrefixes, before)) ||
                                     (before.empty() && among(kDomainSuffixes, after))))
      return Fills{parts[0] + "." + parts[1], {}};
  }
  return kNo;
}

// clang-format off
constexpr Rule kReviewRules[] = {
    {"identifier behind a team prefix", kReview, K::relatedComponent, kTeamExactWeight,
     "Named for this app's identifier {1} behind a developer-team prefix; held at Review because no signature declares it.",
     identifierBehindTeam},
    {"identifier family behind a team prefix", kReview, K::relatedComponent, kHelperWeight,
     "Named for a member of this app's identifier family ({1}) behind a developer-team prefix; held at Review because no signature declares it.",
     familyBehindTeam},
    {"name behind a team prefix", kReview, K::appName, kNameWeight,
     "Named for the application name {app} behind a developer-team prefix; held at Review because no signature declares it.",
     nameBehindTeam},
    {"identifier family behind a lower-case team", kReview, K::relatedComponent, kHelperWeight,
     "Named for this app's identifier family ({1}) behind a developer-team prefix; held at Review because no signature declares it.",
     familyBehindLowerCaseTeam},
    {"identifier and a word, any form", kReview, K::relatedComponent, kHelperWeight,
     "Named as this app's identifier {1} followed directly by the word {2}, the way its helpers are named; held at Review.",
     identifierAndWordInAnyForm},
    {"unshared vendor prefix", kReview, K::sameDeveloper, kHelperWeight,
     "Named under this app's vendor prefix {1}, which no other installed app uses; held at Review because the vendor may ship more apps.",
     underUnsharedPrefix},
    {"product under a shared vendor prefix", kReview, K::sameDeveloper, kQualifiedNameWeight,
     "Named under the vendor prefix {1} for this app's product {2}; held at Review because other apps of the vendor share the prefix.",
     productUnderSharedPrefix},
    {"short name as a word", kReview, K::appName, kShortNameWeight,
     "Named with the short application name {app} as a whole word; short names match by accident more easily, so it is held at Review.",
     shortNameAsWord},
    {"exact name with a dot-label", kReview, K::appName, kNameWeight,
     "Named exactly for the application name {app}, whose last dot-label is part of the name; held at Review.",
     exactDottedName},
    {"exact name", kReview, K::appName, kNameWeight,
     "Named exactly for the application name {app} where items are usually tied by their identifier; held at Review.",
     exactName},
    {"name without its qualifier", kReview, K::appName, kQualifiedNameWeight,
     "Named {1}, the application name without its trailing qualifier; held at Review.",
     nameWithoutQualifier},
    {"name before its dot-label and a word", kReview, K::appName, kHelperWeight,
     "Named as the application name {1} followed directly by the word {2}, the way its helpers are named; held at Review.",
     nameStemAndWord},
    {"identifier ending in the name", kReview, K::appName, kQualifiedNameWeight,
     "Named like an identifier whose last label is the application name {app}; held at Review because the identifier is not this app's.",
     identifierEndingInName},
    {"name run together", kReview, K::appName, kQualifiedNameWeight,
     "Named {1}: the application name {app} run together with an edition or a role word; held at Review.",
     nameRunTogether},
    {"label of the identifier", kReview, K::relatedComponent, kQualifiedNameWeight,
     "Named exactly for the label {1} of this app's identifier; held at Review.",
     identifierLabel},
    {"identifier label and an edition", kReview, K::relatedComponent, kQualifiedNameWeight,
     "Named as the label {1} of this app's identifier followed by {2}, an edition or a role; held at Review.",
     productLabelAndEditions},
    {"vendor name", kReview, K::sameDeveloper, kQualifiedNameWeight,
     "Named for this app's vendor {1}, from which no other app is installed; held at Review because it may hold the vendor's other products' data.",
     vendorName},
    {"starts with the vendor name", kReview, K::sameDeveloper, kQualifiedNameWeight,
     "Named starting with this app's vendor {1}, from which no other app is installed; held at Review because the vendor may ship more apps.",
     startsWithVendorName},
    {"first word of name and vendor", kReview, K::appName, kQualifiedNameWeight,
     "Named {1}, the first word of the application name and of its vendor's; held at Review.",
     firstWordOfNameAndVendor},
    {"name as a web domain", kReview, K::sameDeveloper, kQualifiedNameWeight,
     "Named under {1}, a web domain made of the application name {app}; held at Review because the vendor may ship more apps.",
     nameAsWebDomain},
    {"product in a vendor folder", kReview, K::appName, kQualifiedNameWeight,
     "Found in the vendor folder {1} and named for this app's product; held at Review.",
     productInVendorFolder},
};
// clang-format on

}  // namespace

std::span<const Rule> reviewRules() { return kReviewRules; }

}  // namespace corvane::ExtendedMatching
