#pragma once
// The extended matching: rules that tie to an app the items its base rules pass over (vendor and product
// folders, names whose last dot-label belongs to the name, developer-team prefixes, short names, names
// without a trailing qualifier, helpers named after the identifier or the vendor prefix), and how strongly
// each installed app claims an item, so that a co-installed app's stronger claim wins. The rules for a
// name are rows of the table in extended_rules.h. Pure: nothing here reads a file.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/extended_rules.h"
#include "corvane/model/app_identity.h"
#include "corvane/model/file_finding.h"

namespace corvane::ExtendedMatching {

class Matcher {
 public:
  Matcher(const AppIdentity& identity, const std::vector<AppIdentity>& coInstalled);

  // What ties an item the base rules passed over to the app, or none: the first rule held at Review that
  // holds. `below` is the item's path below its search location's folder ("Vendor/Product/item").
  std::optional<MatchEvidence> assess(const Url& url, std::string_view below) const;
  // Strong, specific evidence from the name alone, weighing kStrongWeight, or none: the first rule that
  // may reach "Probably Leftover" that holds.
  // `below` and `kind`: as for assess(), and the kind of the item's search location, when known.
  std::optional<MatchEvidence> strong(const Url& url, std::string_view below = {},
                                      FindingKind kind = FindingKind::other) const;
  // The label of the item's name that is the app's name run together with edition or role words
  // ("dockerdesktop", "zoominstall"), if any: a name inside a longer word that still names the app.
  std::optional<std::string> runTogether(const Url& url) const;
  // Whether the name is a word of everyday language ("Stats", "Loom", "Notes"), which other products
  // and people's own folders share: its exact name alone proves little.
  bool nameIsCommonWord() const { return facts_.commonWord; }
  // What an item the base rules tied by its exact name alone gains when that name is the app's own: at
  // least four letters, no everyday word, no other installed app's name. None otherwise.
  std::optional<MatchEvidence> distinctiveName(const Url& url) const;

  // Whether a folder with this name holds the app vendor's products.
  bool isVendorFolder(std::string_view name) const;

  // A cheap first look, from the name alone: false when assess() cannot tie the item to the app. It
  // looks for the identifiers and the name in every form the rules use, so for an app whose identifiers
  // and name are plain ASCII, false also rules out every name test of the base rules.
  bool mayMatch(std::string_view name) const;

  // What ties an item outside the Library (a folder in the home folder, or one of its hidden
  // configuration folders) to the app: only its exact name, without the leading dot.
  std::optional<MatchEvidence> assessHomeItem(std::string_view name, std::string_view where) const;

  // What ties a browser extension to the app: its name as a whole word of the extension's name.
  std::optional<MatchEvidence> assessExtension(std::string_view name) const;

  // How strongly `identity` claims the item by its name and identifiers.
  static Claim claim(const AppIdentity& identity, const Url& url);
  // Whether a co-installed app claims the item more strongly than `own` (at least on whole words).
  bool claimedByPeer(const Url& url, Claim own) const;
  // A name that is the app's name followed by a release channel ("Nightly", "Beta"): another channel's.
  bool isOtherChannel(const Url& url) const;

 private:
  AppFacts facts_;
  std::vector<std::string> needles_;  // what mayMatch() looks for, letters and digits, lower case
};

}  // namespace corvane::ExtendedMatching
