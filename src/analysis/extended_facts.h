#pragma once
// What the extended matching knows of an app, worked out once per analysis, and the text tests its rules
// share: where a name occurs in another, team prefixes, names run together with edition or role words.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/extended_weights.h"
#include "corvane/base/url.h"
#include "corvane/model/app_identity.h"

namespace corvane::ExtendedMatching {

// How strongly an app claims an item, best last.
enum class Claim { none, fragment, wholeWord, exactName, exactIdentifier };

// What the rules know of the app, worked out once per analysis from its identity and the co-installed apps.
struct AppFacts {
  AppIdentity identity;
  std::vector<AppIdentity> peers;
  std::vector<std::string> targets;  // bundle and signing identifiers, lower case
  std::string name;                  // letters and digits of the name, lower case
  std::string vendor;                // the vendor's label of the bundle identifier, lower case
  std::string vendorPrefix;          // its first two labels, when no other installed app uses them
  std::string shortened;             // the name without trailing qualifiers, when unique to this app
  std::string product;               // the name without the vendor
  std::string productWord;           // the product as written in the name ("Edge"), for sentences
  std::string nameStem;              // the name before a last dot-label ("zoom" of "zoom.us"), lower case
  std::string nameStemWritten;       // the same as written ("zoom")
  std::string firstWord;             // the name's first word when the vendor's label begins with it
  std::string productLine;           // the name's first word when it is no everyday word nor the vendor's
                                     // and no other installed app's name begins with it ("karabiner")
  std::string team;                  // the developer team of the app's signature, upper case
  bool productNamed = false;         // the vendor's label is the app's name: its prefix names the product
  bool commonWord = false;           // the name is a word of everyday language
  bool nameShared = false;           // another installed app has the same name

  static AppFacts of(const AppIdentity& identity, const std::vector<AppIdentity>& coInstalled);
};

// Where `needle` (letters and digits, lower case) occurs in `text`, ignoring case and everything but
// letters and digits: none, fragment (inside a word), wholeWord (on word boundaries: punctuation, a
// lower-to-upper case change or a letter-digit change) or exactName (the whole text).
Claim occurrence(std::string_view text, std::string_view needle);
// The name without a leading developer-team prefix ("ABCDE12345.") and an application-group prefix
// ("group."); none when it has no team prefix.
std::optional<std::string> withoutTeamPrefix(std::string_view name);
// Whether `rest` (letters and digits, lower case) is nothing but edition and role words, then digits.
bool onlyEditionsRolesAndNumbers(std::string_view rest);
// The label of the item's name that is the app's name run together with edition or role words.
std::optional<std::string> runTogether(const AppFacts& app, const Url& url);
// Whether a folder with this name holds the app vendor's products.
bool isVendorFolder(const AppFacts& app, std::string_view name);
// Whether some installed app's identifiers lie under the identifier prefix ("com.vendor").
bool prefixUsedBy(const std::vector<AppIdentity>& apps, const std::string& prefix);
// Bundle and signing identifiers, lower case.
std::vector<std::string> targetsOf(const AppIdentity& identity);

}  // namespace corvane::ExtendedMatching
