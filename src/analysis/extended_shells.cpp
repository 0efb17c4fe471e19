// A vendor's folder that only this app filled ("Objective Development" holding nothing but "Little Snitch")
// is part of what the app left: removing it with the app's items takes nothing else. It is offered at the
// tier its contents share, Probably Leftover at most, and never when macOS or many apps use such a folder.

#include <algorithm>
#include <map>

#include "analysis/extended_pass.h"
#include "analysis/system_library_names.h"

namespace corvane {

namespace {

std::string parentOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos || slash == 0 ? std::string() : path.substr(0, slash);
}

// The names of a folder's items, sorted: three at most, then how many more.
std::string listed(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  std::string out;
  for (std::size_t i = 0; i < names.size() && i < 3; ++i) out += (i ? ", " : "") + names[i];
  if (names.size() > 3) out += " and " + std::to_string(names.size() - 3) + " more";
  return out;
}

bool selectable(FindingConfidence c) {
  return c == FindingConfidence::safeToRemove || c == FindingConfidence::probablyLeftover;
}

}  // namespace

bool ExtendedPass::isLibraryStore(std::string_view name) {
  constexpr std::string_view kStore = ".data";
  return name.size() > kStore.size() && name.substr(name.size() - kStore.size()) == kStore &&
         std::count(name.begin(), name.end(), '.') >= 2;
}

void ExtendedPass::foldersHoldingOnlyThisApp() {
  std::map<std::string, FindingConfidence> found;
  for (const auto& f : findings_)
    if (f.kind != FindingKind::application && f.kind != FindingKind::installerReceipt) found.emplace(f.url.path(), f.confidence);
  const std::string libraries[] = {subject_.homeLibrary.path(), Url::fileURL(analyzer_.layout.library()).path()};
  std::map<std::string, const AppAnalyzer::SearchLocation*> folders;  // candidate folder, its location
  for (const auto& [path, confidence] : found) {
    const std::string folder = parentOf(path);
    const auto location = std::find_if(locations_.begin(), locations_.end(), [&](const AppAnalyzer::SearchLocation& l) {
      return l.url.path() == parentOf(folder);
    });
    if (location == locations_.end() || found.count(folder) || listed_.count(folder)) continue;
    const std::string name = folder.substr(folder.rfind('/') + 1);
    if (SystemLibraryNames::isAppleFamily(name) || isLibraryStore(name) ||
        SystemLibraryNames::claim(folder, libraries))
      continue;
    folders.emplace(folder, &*location);
  }
  for (const auto& [folder, location] : folders) {
    std::vector<std::string> names;
    int selectableEntries = 0;
    bool onlyOurs = true;
    analyzer_.visitContents(Url::fileURL(folder), 1, [&](const AppAnalyzer::WalkedEntry& entry) {
      if (entry.name == ".DS_Store") return false;
      const auto it = found.find(entry.path);
      onlyOurs = onlyOurs && it != found.end() && it->second != FindingConfidence::inUse;
      names.push_back(entry.name);
      selectableEntries += it != found.end() && selectable(it->second) ? 1 : 0;
      return false;
    });
    const int entries = static_cast<int>(names.size());
    // Mixed tiers would pull the selectable items down to Review with the folder: leave them as they are.
    if (!onlyOurs || entries == 0 || (selectableEntries != 0 && selectableEntries != entries)) continue;
    const bool strong = selectableEntries == entries;
    add(Url::fileURL(folder), *location,
        MatchEvidence(EvidenceKind::sameDeveloper,
                      "Holds nothing but this app's items found here (" + listed(names) + "), so it goes with them.",
                      strong ? ExtendedMatching::kStrongWeight : ExtendedMatching::kQualifiedNameWeight),
        strong);
  }
}

}  // namespace corvane
