#pragma once
// Finding the application a person means: a bundle path, or an installed app's name or bundle identifier,
// with suggestions when nothing matches. The sentences are the ones shown to the person.

#include <optional>
#include <string>
#include <vector>

#include "corvane/model/app_identity.h"
#include "corvane/model/layout.h"

namespace corvane {

// A path is anything containing "/" or ending in ".app"; everything else is a name or an identifier.
bool looksLikeAppPath(const std::string& text);

// Levenshtein distance between the two texts, compared byte by byte after ASCII lower-casing.
std::size_t editDistance(const std::string& a, const std::string& b);

// The bundle `given` names, or the message saying why there is none. Names (as discovery lists
// them) and bundle identifiers match ignoring case; several bundles matching is an error listing them,
// no match suggests up to three of the closest names
// (the fewest edits; names holding the text count too).
struct AppLookup {
  std::optional<std::string> path;
  std::string problem;  // one or more lines, each ending in "\n"
};
AppLookup findApp(const std::string& given, const std::vector<InstalledApplication>& installed);

// APP given as an absolute path: the bundle to work on. A symbolic link there is followed to the bundle it
// names (what a user pointing at an app's link means; moving the link alone would leave the app behind),
// and `note` says so; targets are Mac paths, placed by the layout unless they already lie under its root.
// Nothing there, a dangling link or a loop of links, a file or a folder not named *.app gives `problem`
// (one line, without the command's name).
struct AppPath {
  std::optional<std::string> path;
  std::string note;
  std::string problem;
};
AppPath resolveAppPath(const std::string& given, const Layout& layout);

// The problem with the layout's root or home folder, for a usage error; none when both are folders this
// process can read. `rootGiven`/`homeGiven`: whether they came from --root/--home.
std::optional<std::string> layoutProblem(const Layout& layout, bool rootGiven, bool homeGiven);

}  // namespace corvane
