#pragma once
// APP on the command line: a bundle path, or an installed app's name or bundle identifier.

#include <optional>
#include <string>
#include <vector>

#include "corvane/model/app_identity.h"

namespace corvane::cli {

// A path is anything containing "/" or ending in ".app"; everything else is a name or an identifier.
bool looksLikeAppPath(const std::string& text);

// Levenshtein distance between the two texts, compared byte by byte after ASCII lower-casing.
std::size_t editDistance(const std::string& a, const std::string& b);

// The bundle `given` names, or the message saying why there is none. Names (as `corvane apps` lists
// them) and bundle identifiers match ignoring case; several bundles matching is an error listing them,
// no match suggests up to three of the closest names
// (the fewest edits; names holding the text count too).
struct AppLookup {
  std::optional<std::string> path;
  std::string problem;  // one or more lines, each ending in "\n"
};
AppLookup findApp(const std::string& given, const std::vector<InstalledApplication>& installed);

}  // namespace corvane::cli
