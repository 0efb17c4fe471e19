#include "analysis/extended_facts.h"

#include <algorithm>

#include "analysis/common_words.h"
#include "analysis/extended_text.h"
#include "platform/unicode.h"

namespace corvane::ExtendedMatching {

namespace {

using namespace text;

std::string vendorOf(const std::optional<std::string>& bundleIdentifier) {
  if (!bundleIdentifier) return {};
  auto parts = labels(*bundleIdentifier);
  if (parts.size() < 2) return {};
  std::string vendor = alnumLower(parts[1]);
  return vendor.size() >= kMinimumProductLength && vendor != "apple" && vendor != "electron" && vendor != "github"
             ? vendor
             : std::string{};
}

std::vector<std::string> words(const std::string& name) {
  std::vector<std::string> out;
  std::string word;
  for (char c : name + " ") {
    if (c != ' ') {
      word += c;
    } else if (!word.empty()) {
      out.push_back(word);
      word.clear();
    }
  }
  return out;
}

}  // namespace

AppFacts AppFacts::of(const AppIdentity& identity, const std::vector<AppIdentity>& coInstalled) {
  AppFacts a;
  a.identity = identity;
  a.peers = coInstalled;
  a.targets = targetsOf(identity);
  a.name = alnumLower(identity.name);
  a.vendor = vendorOf(identity.bundleIdentifier);
  if (identity.bundleIdentifier) {
    auto parts = labels(*identity.bundleIdentifier);
    std::string prefix = parts.size() >= 3 ? parts[0] + "." + parts[1] : "";
    if (!prefix.empty() && !prefixUsedBy(a.peers, prefix) && !among(kSharedPrefixes, prefix)) a.vendorPrefix = prefix;
  }

  // The name without trailing qualifiers or a version ("Google Earth" for "Google Earth Pro", "MuseScore" for
  // "MuseScore 4"), when no other installed app could be meant by it.
  std::vector<std::string> named = words(identity.name);
  const std::size_t all = named.size();
  const auto version = [](const std::string& w) { return !w.empty() && std::all_of(w.begin(), w.end(), isDigit); };
  while (named.size() > 1 && (among(kQualifiers, alnumLower(named.back())) || version(named.back()))) named.pop_back();
  std::string shortened;
  for (const auto& w : named) shortened += alnumLower(w);
  const bool ambiguous = std::any_of(a.peers.begin(), a.peers.end(), [&](const AppIdentity& peer) {
    return startsWith(alnumLower(peer.name), shortened) || vendorOf(peer.bundleIdentifier) == shortened;
  });
  if (named.size() < all && shortened.size() >= kShortNameLength && !ambiguous) a.shortened = shortened;

  a.product = startsWith(a.name, a.vendor) && a.name.size() >= a.vendor.size() + kMinimumProductLength
                  ? a.name.substr(a.vendor.size())
                  : a.name;
  // The product as the name writes it: the words after the vendor's ("Edge" of "Microsoft Edge").
  a.productWord = identity.name;
  std::string leading;
  for (std::size_t i = 0; a.product != a.name && i + 1 < named.size(); ++i) {
    leading += alnumLower(named[i]);
    if (leading != a.vendor) continue;
    a.productWord.clear();
    for (std::size_t j = i + 1; j < named.size(); ++j) a.productWord += (a.productWord.empty() ? "" : " ") + named[j];
    break;
  }

  // "zoom" of "zoom.us": the name before a last dot-label that is part of it.
  const auto dot = identity.name.rfind('.');
  if (dot != std::string::npos && dot >= kShortNameLength && dot + 1 < identity.name.size()) {
    a.nameStemWritten = identity.name.substr(0, dot);
    a.nameStem = alnumLower(a.nameStemWritten);
  }
  // "Epic" of "Epic Games Launcher" from com.epicgames: the vendor's own short name, when no other
  // installed app's name begins with it.
  if (all >= 2 && !a.vendor.empty()) {
    const std::string first = alnumLower(named.empty() ? std::string{} : named.front());
    const bool taken = std::any_of(a.peers.begin(), a.peers.end(),
                                   [&](const AppIdentity& peer) { return startsWith(alnumLower(peer.name), first); });
    if (first.size() >= kShortNameLength && first != a.vendor && startsWith(a.vendor, first) && !taken) a.firstWord = first;
  }

  // "Karabiner" of "Karabiner-Elements": the product line the vendor names its other components after.
  const std::string line = alnumLower(identity.name.substr(
      0, static_cast<std::size_t>(std::find_if_not(identity.name.begin(), identity.name.end(), isAlnum) - identity.name.begin())));
  const bool lineTaken = std::any_of(a.peers.begin(), a.peers.end(),
                                     [&](const AppIdentity& peer) { return startsWith(alnumLower(peer.name), line); });
  if (line.size() >= kShortNameLength && line != a.name && line != a.vendor && !isCommonWord(line) && !lineTaken)
    a.productLine = line;

  if (identity.teamIdentifier) a.team = *identity.teamIdentifier;
  for (char& c : a.team) c = isLower(c) ? static_cast<char>(c - 'a' + 'A') : c;
  // The vendor's label names the product when it is the app's name, perhaps with an edition word
  // ("utmapp" for UTM).
  a.productNamed = !a.vendor.empty() &&
                   (a.vendor == a.name || a.vendor == a.shortened || a.vendor == a.nameStem ||
                    (startsWith(a.vendor, a.name) && among(kQualifiers, std::string_view(a.vendor).substr(a.name.size()))));
  a.commonWord = isCommonWord(a.name);
  a.nameShared = std::any_of(a.peers.begin(), a.peers.end(),
                             [&](const AppIdentity& peer) { return alnumLower(peer.name) == a.name; });
  return a;
}

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

bool onlyEditionsRolesAndNumbers(std::string_view rest) {
  for (bool more = true; more && !rest.empty();) {
    more = false;
    for (const auto* list : {static_cast<const std::string_view*>(kQualifiers.data()), kRoles.data()}) {
      const std::size_t count = list == kRoles.data() ? kRoles.size() : kQualifiers.size();
      for (std::size_t i = 0; i < count && !more; ++i)
        if (startsWith(rest, list[i])) {
          rest.remove_prefix(list[i].size());
          more = true;
        }
    }
  }
  return std::all_of(rest.begin(), rest.end(), isDigit);
}

std::optional<std::string> runTogether(const AppFacts& app, const Url& url) {
  for (const auto& label : labels(stemOf(url))) {
    const std::string letters = alnumLower(label);
    for (const std::string* n : {&app.name, &app.shortened, &app.nameStem})
      if (n->size() >= kShortNameLength && letters.size() > n->size() && startsWith(letters, *n) &&
          !isDigit(letters[n->size()]) && onlyEditionsRolesAndNumbers(std::string_view(letters).substr(n->size())))
        return label;
  }
  return std::nullopt;
}

bool isVendorFolder(const AppFacts& app, std::string_view name) {
  const std::size_t end = app.vendor.empty() ? 0 : alnumPrefixLength(name, app.vendor);
  return end > 0 && std::none_of(name.begin() + static_cast<std::ptrdiff_t>(end), name.end(), isAlnum);
}

bool prefixUsedBy(const std::vector<AppIdentity>& apps, const std::string& prefix) {
  return std::any_of(apps.begin(), apps.end(), [&](const AppIdentity& peer) {
    const auto ids = targetsOf(peer);
    return std::any_of(ids.begin(), ids.end(), [&](const std::string& id) { return id == prefix || startsWith(id, prefix + "."); });
  });
}

std::vector<std::string> targetsOf(const AppIdentity& identity) {
  std::vector<std::string> out;
  for (const auto* id : {&identity.bundleIdentifier, &identity.signingIdentifier})
    if (*id && !(*id)->empty()) out.push_back(platform::lowercased(**id));
  return out;
}

}  // namespace corvane::ExtendedMatching
