#pragma once
// The extended matching: rules that tie to an app the items its base rules pass over (vendor and product
// folders, names whose last dot-label belongs to the name, developer-team prefixes, short names, names
// without a trailing qualifier, helpers named after the identifier or the vendor prefix), and how strongly
// each installed app claims an item, so that a co-installed app's stronger claim wins. Pure: nothing here
// reads a file.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "corvane/model/app_identity.h"
#include "corvane/model/file_finding.h"

namespace corvane::ExtendedMatching {

// Every evidence weight here stays below the lowest score for "Probably Leftover": these findings are
// held at Review.
inline constexpr int kMaximumWeight = 45;

// How strongly an app claims an item, best last.
enum class Claim { none, fragment, wholeWord, exactName, exactIdentifier };

// The name without a leading developer-team prefix ("ABCDE12345.") and an application-group prefix
// ("group."); none when it has no team prefix.
std::optional<std::string> withoutTeamPrefix(std::string_view name);

// Where `needle` (letters and digits, lower case) occurs in `text`, ignoring case and everything but
// letters and digits: none, fragment (inside a word), wholeWord (on word boundaries: punctuation, a
// lower-to-upper case change or a letter-digit change) or exactName (the whole text).
Claim occurrence(std::string_view text, std::string_view needle);

class Matcher {
 public:
  Matcher(const AppIdentity& identity, const std::vector<AppIdentity>& coInstalled);

  // What ties an item the base rules passed over to the app, or none. `below` is the item's path below
  // its search location's folder ("Vendor/Product/item").
  std::optional<MatchEvidence> assess(const Url& url, std::string_view below) const;

  // Whether a folder with this name holds the app vendor's products.
  bool isVendorFolder(std::string_view name) const;

  // A cheap first look, from the name alone: false when assess() cannot tie the item to the app. It
  // looks for the identifiers and the name in every form the rules use, so for an app whose identifiers
  // and name are plain ASCII, false also rules out every name test of the base rules.
  bool mayMatch(std::string_view name) const;

  // What ties an item outside the Library (a folder in the home folder, or one of its hidden
  // configuration folders) to the app: only its exact name, without the leading dot.
  std::optional<MatchEvidence> assessHomeItem(std::string_view name, std::string_view where) const;

  // How strongly `identity` claims the item by its name and identifiers.
  static Claim claim(const AppIdentity& identity, const Url& url);
  // Whether a co-installed app claims the item more strongly than `own` (at least on whole words).
  bool claimedByPeer(const Url& url, Claim own) const;
  // A name that is the app's name followed by a release channel ("Nightly", "Beta"): another channel's.
  bool isOtherChannel(const Url& url) const;

 private:
  AppIdentity identity_;
  std::vector<AppIdentity> peers_;
  std::vector<std::string> targets_;  // bundle and signing identifiers, lower case
  std::string name_;                  // letters and digits of the name, lower case
  std::string vendor_;                // the vendor's label of the bundle identifier, lower case
  std::string vendorPrefix_;          // its first two labels, when no other installed app uses them
  std::string shortened_;             // the name without trailing qualifiers, when unique to this app
  std::string product_;               // the name without the vendor
  std::string productWord_;           // the product as written in the name ("Edge"), for sentences
  std::string nameStem_;              // the name before a last dot-label ("zoom" of "zoom.us"), lower case
  std::string nameStemWritten_;       // the same as written ("zoom")
  std::string firstWord_;             // the name's first word when the vendor's label begins with it
  std::vector<std::string> needles_;  // what mayMatch() looks for, letters and digits, lower case
};

}  // namespace corvane::ExtendedMatching
