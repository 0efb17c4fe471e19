#include "analysis/system_library_names.h"

#include <algorithm>
#include <array>
#include <map>
#include <set>

#include "corvane/analysis/app_analyzer.h"
#include "platform/unicode.h"

namespace corvane::SystemLibraryNames {

namespace {

// The list's text, compiled in from system_library_names.txt by the build.
constexpr char kListText[] =
#include "system_library_names.inc"
    ;

constexpr std::string_view kSeparator = "|";  // fields are trimmed
constexpr std::size_t kTeamPrefixLength = 10;
constexpr std::array<std::string_view, 4> kAppleFamilies = {"com.apple.", "group.com.apple.", "systemgroup.com.apple.",
                                                            "icloud.com.apple."};

// The Library folders whose items are judged by their own names; the list adds its own folders.
constexpr std::array<std::string_view, 19> kLibraryFolders = {
    "Application Support", "Caches",       "Preferences",      "Containers",       "Daemon Containers",
    "Group Containers",    "Saved Application State", "HTTPStorages", "WebKit",     "Cookies",
    "Logs",                "Application Scripts",     "LaunchAgents", "LaunchDaemons", "PrivilegedHelperTools",
    "Frameworks",          "Extensions",   "DriverExtensions", "SystemExtensions"};

std::string_view trimmedView(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

std::vector<std::string> split(std::string_view text, std::string_view separator) {
  std::vector<std::string> pieces;
  for (std::size_t start = 0;;) {
    const auto at = text.find(separator, start);
    pieces.emplace_back(trimmedView(text.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start)));
    if (at == std::string_view::npos) return pieces;
    start = at + separator.size();
  }
}

std::vector<std::string> components(std::string_view path) {
  std::vector<std::string> out;
  for (auto& piece : split(path, "/"))
    if (!piece.empty()) out.push_back(std::move(piece));
  return out;
}

std::string joined(const std::vector<std::string>& parts, std::size_t count) {
  std::string out;
  for (std::size_t i = 0; i < count; ++i) out += (i ? "/" : "") + parts[i];
  return out;
}

std::optional<Entry> parseLine(std::string_view line) {
  auto fields = split(line, kSeparator);
  if (fields.size() != 5 || fields[1].empty() || fields[4].empty() || fields[1].find('/') != std::string::npos)
    return std::nullopt;
  Entry entry;
  entry.folder = fields[0] == "Library" ? "" : fields[0];
  entry.name = fields[1];
  entry.seen = fields[4];
  if (fields[2] == "system") entry.role = Role::system;
  else if (fields[2] == "store") entry.role = Role::store;
  else if (fields[2] == "shared") entry.role = Role::shared;
  else return std::nullopt;
  if (entry.folder.empty() && fields[0] != "Library") return std::nullopt;
  if ((entry.role == Role::system) != fields[3].empty()) return std::nullopt;
  for (auto& items : split(fields[3], ";")) {
    if (entry.role == Role::system) break;
    if (items.empty() || items.starts_with("/") || items.find("..") != std::string::npos) return std::nullopt;
    entry.items.push_back(items == "." ? "" : items);
  }
  return entry;
}

std::string lower(std::string_view text) { return platform::lowercased(text); }

// The folders that keep each app's data under its own name: a name macOS uses in one of them is the
// system's in every one of them.
constexpr std::array<std::string_view, 10> kAppDataFolders = {
    "Application Support", "Caches", "Logs", "Preferences", "Containers", "Group Containers", "HTTPStorages",
    "WebKit", "Cookies", "Saved Application State"};

// The list, indexed for the claims.
struct Index {
  std::map<std::string, const Entry*, std::less<>> byPlace;  // lower-cased "folder/name"
  std::map<std::string, const Entry*, std::less<>> byName;   // lower-cased name of macOS's entries in app-data folders
  std::set<std::string, std::less<>> appDataFolders;         // lower-cased
  std::set<std::string, std::less<>> folders;  // lower-cased folders whose items are judged by their names

  Index() {
    for (auto folder : kLibraryFolders) folders.insert(lower(folder));
    for (const auto& folder : AppAnalyzer::kDefaultPluginDirectories) folders.insert(lower(folder));
    for (auto folder : kAppDataFolders) appDataFolders.insert(lower(folder));
    for (const auto& entry : entries()) {
      const std::string place = lower(entry.folder.empty() ? entry.name : entry.folder + "/" + entry.name);
      byPlace.emplace(place, &entry);
      if (entry.role != Role::shared && appDataFolders.count(lower(entry.folder))) byName.emplace(lower(entry.name), &entry);
      if (!entry.folder.empty()) folders.insert(lower(entry.folder));
      for (const auto& items : entry.items) folders.insert(items.empty() ? place : place + "/" + lower(items));
    }
  }
};

const Index& index() {
  static const Index kIndex;
  return kIndex;
}

// The claim of a listed entry on `place`: the entry's own place, or (`elsewhere`) another app-data folder's
// item of the same name, which is the system's whatever the entry's role.
Claim listedClaim(const Entry& entry, const std::string& place, bool elsewhere) {
  Claim claim{elsewhere ? Role::system : entry.role, place, entry.seen, {}};
  const std::string never = "), so it is never offered to an app that is not Apple's own.";
  switch (claim.role) {
    case Role::system:
      claim.explanation = (elsewhere ? place + " carries the name of macOS's own " + entry.folder + "/" + entry.name
                                     : place + " belongs to macOS") +
                          " (seen: " + entry.seen + never;
      break;
    case Role::store:
      claim.explanation = place + " is macOS's folder for the items of many apps (seen: " + entry.seen +
                          "); only the items in it that name an app are offered to it, never the folder itself.";
      break;
    case Role::shared:
      claim.explanation = place + " is a folder that many vendors' apps share (seen: " + entry.seen +
                          "); only the items in it that name an app are offered to it, never the folder whole.";
      break;
  }
  return claim;
}

Claim appleFamilyClaim(const std::string& place) {
  return Claim{Role::system, place, "",
               place + " is named in Apple's own identifier family, so it is never offered to an app that is not "
                       "Apple's own."};
}

// claimBelowLibrary for a path all of ASCII, where lower-casing the whole path is lower-casing each piece:
// the same answers from views of one lower-cased copy, since the scans ask this of every entry they list.
std::optional<Claim> claimOfAsciiPath(std::string_view relative) {
  std::vector<std::string_view> parts;  // as components() gives them
  std::vector<std::size_t> ends;        // where each part ends in `lowered`
  std::string lowered;                  // the parts, lower-cased, joined by "/"
  lowered.reserve(relative.size());
  for (std::size_t start = 0; start <= relative.size();) {
    auto at = relative.find('/', start);
    if (at == std::string_view::npos) at = relative.size();
    const std::string_view part = trimmedView(relative.substr(start, at - start));
    start = at + 1;
    if (part.empty()) continue;
    if (!parts.empty()) lowered += '/';
    for (char c : part) lowered += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    parts.push_back(part);
    ends.push_back(lowered.size());
  }
  if (parts.empty()) return std::nullopt;
  // The first `count` parts, lower-cased and joined.
  const auto first = [&](std::size_t count) { return std::string_view(lowered).substr(0, count ? ends[count - 1] : 0); };
  const auto place = [&](std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) text.append(i ? "/" : "").append(parts[i]);
    return text;
  };
  const Index& list = index();
  std::size_t depth = parts.size() - 1;
  while (depth > 0 && !list.folders.contains(first(depth))) --depth;
  if (auto listed = list.byPlace.find(first(depth + 1)); listed != list.byPlace.end())
    return listedClaim(*listed->second, place(depth + 1), false);
  if (list.appDataFolders.contains(first(depth))) {
    const std::size_t start = depth ? ends[depth - 1] + 1 : 0;
    if (auto named = list.byName.find(std::string_view(lowered).substr(start, ends[depth] - start));
        named != list.byName.end())
      return listedClaim(*named->second, place(depth + 1), true);
  }
  if (isAppleFamily(parts[depth])) return appleFamilyClaim(place(depth + 1));
  return std::nullopt;
}

}  // namespace

std::vector<Entry> parse(std::string_view text, std::vector<std::size_t>* malformed) {
  std::vector<Entry> out;
  std::size_t number = 0;
  for (const auto& line : split(text, "\n")) {
    ++number;
    if (line.empty() || line.front() == '#') continue;
    if (auto entry = parseLine(line)) out.push_back(std::move(*entry));
    else if (malformed) malformed->push_back(number);
  }
  return out;
}

const std::vector<Entry>& entries() {
  static const std::vector<Entry> kEntries = parse(kListText);
  return kEntries;
}

std::string_view listText() { return kListText; }

bool isAppleFamily(std::string_view name) {
  const std::string lowered = lower(name);
  const auto inFamily = [](std::string_view text, bool teamGroups) {
    if (teamGroups && text.starts_with("groups.com.apple.")) return true;
    return std::any_of(kAppleFamilies.begin(), kAppleFamilies.end(),
                       [&](std::string_view family) { return text.starts_with(family); });
  };
  if (inFamily(lowered, false)) return true;
  const bool teamPrefixed = lowered.size() > kTeamPrefixLength && lowered[kTeamPrefixLength] == '.' &&
                            std::all_of(lowered.begin(), lowered.begin() + kTeamPrefixLength, [](char c) {
                              return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
                            });
  return teamPrefixed && inFamily(std::string_view(lowered).substr(kTeamPrefixLength + 1), true);
}

bool isApplesOwn(const AppIdentity& identity) {
  for (const auto* id : {&identity.bundleIdentifier, &identity.signingIdentifier})
    if (*id && lower(**id).starts_with("com.apple.")) return true;
  return false;
}

std::optional<Claim> claimBelowLibrary(std::string_view relative) {
  if (std::all_of(relative.begin(), relative.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
    return claimOfAsciiPath(relative);
  const auto parts = components(relative);
  if (parts.empty()) return std::nullopt;
  const Index& list = index();
  // The deepest folder whose items are judged by their own names holds the item that decides.
  std::size_t depth = parts.size() - 1;
  while (depth > 0 && !list.folders.count(lower(joined(parts, depth)))) --depth;
  const std::string place = joined(parts, depth + 1);
  if (auto listed = list.byPlace.find(lower(place)); listed != list.byPlace.end())
    return listedClaim(*listed->second, place, false);
  if (list.appDataFolders.count(lower(joined(parts, depth))))
    if (auto named = list.byName.find(lower(parts[depth])); named != list.byName.end())
      return listedClaim(*named->second, place, true);
  if (isAppleFamily(parts[depth])) return appleFamilyClaim(place);
  return std::nullopt;
}

std::optional<Claim> claim(std::string_view path, std::span<const std::string> libraries) {
  std::optional<std::string_view> relative;
  std::size_t longest = 0;
  for (const auto& library : libraries) {
    if (library.empty() || library.size() < longest) continue;
    if (path.size() > library.size() + 1 && path.starts_with(library) && path[library.size()] == '/') {
      relative = path.substr(library.size() + 1);
      longest = library.size();
    }
  }
  if (!relative) return std::nullopt;
  return claimBelowLibrary(*relative);
}

}  // namespace corvane::SystemLibraryNames
