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

// Every weight of the ordinary rules stays below the lowest score for "Probably Leftover": their findings
// are held at Review.
inline constexpr int kMaximumWeight = 45;
// Strong, specific evidence (the app's identifier behind its own developer team, the app's product under
// a vendor prefix no other installed app uses, a tool link or launch job into the bundle) weighs enough
// for "Probably Leftover" in every location, and never gives the exact signal "Safe to Remove" needs.
inline constexpr int kStrongWeight = 65;
// What a distinctive exact name adds to the base rules' weight for it: enough for "Probably Leftover" in
// every location.
inline constexpr int kDistinctiveNameWeight = 23;

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
  // Strong, specific evidence from the name alone, weighing kStrongWeight, or none: the app's identifier
  // (or a member of its family) behind the app's own developer-team prefix, and a name under a vendor
  // prefix no other installed app shares that names the app's product.
  std::optional<MatchEvidence> strong(const Url& url) const;
  // The label of the item's name that is the app's name run together with edition or role words
  // ("dockerdesktop", "zoominstall"), if any: a name inside a longer word that still names the app.
  std::optional<std::string> runTogether(const Url& url) const;
  // Whether the name is a word of everyday language ("Stats", "Loom", "Notes"), which other products
  // and people's own folders share: its exact name alone proves little.
  bool nameIsCommonWord() const { return commonWord_; }
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
  std::string team_;                  // the developer team of the app's signature, upper case
  bool productNamed_ = false;         // the vendor's label is the app's name: its prefix names the product
  bool commonWord_ = false;
  bool nameShared_ = false;           // another installed app has the same name
};

}  // namespace corvane::ExtendedMatching
