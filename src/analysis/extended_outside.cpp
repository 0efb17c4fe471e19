// The places outside the listed folders that the extended matching looks at: the system's per-app stores
// in the home Library, the home folder's hidden and configuration folders, the folder all users share, the
// top of the system Library, browser extensions, and the command-line tool folders.

#include "analysis/extended_pass.h"
#include "corvane/platform/file_system.h"

namespace corvane {

using Location = AppAnalyzer::SearchLocation;

void ExtendedPass::foldersOutsideTheListedOnes() {
  const Url& library = subject_.homeLibrary;
  // Help indexes that the system keeps per app, iCloud document containers and file-provider domains.
  const Location inLibrary[] = {
      {library.appending("Caches/com.apple.helpd/Generated"), FindingKind::cache, false, 1,
       AppAnalyzer::MatchMode::identifier},
      {library.appending("Caches/com.apple.helpd/SDMHelpData/Other"), FindingKind::cache, false, 3,
       AppAnalyzer::MatchMode::identifier},
      {library.appending("Application Support/CloudDocs/session/containers"), FindingKind::applicationSupport, false,
       1, AppAnalyzer::MatchMode::identifier},
      {library.appending("Application Support/FileProvider"), FindingKind::applicationSupport, false, 1,
       AppAnalyzer::MatchMode::identifier}};
  for (const auto& location : inLibrary) {
    beginLocation(location);
    analyzer_.visitContents(location.url, location.maxDepth, [&](const AppAnalyzer::WalkedEntry& entry) {
      // The base rules first, held at Review as below a listed folder, then the extended ones.
      if (evaluateBelow(entry.path, location, filter_.mayMatch(entry.name))) return false;
      consider(entry.path, entry.name, location, belowRoot(entry.path));
      return true;
    });
  }

  // The home folder's hidden items and its configuration folders: only exact names. A visible folder in
  // the home named for an app is the user's own (synced files, recordings), never offered.
  const Url home = library.deletingLastPathComponent();
  const Layout& layout = analyzer_.layout;
  const struct {
    Url folder;
    const char* where;
    bool isProtected;
  } outside[] = {{home, "in the home folder", false},
                 {home.appending(".config"), "in the home folder's .config folder", false},
                 {home.appending(".local/share"), "in the home folder's .local/share folder", false},
                 {Url::fileURL(layout.underRoot("/Users/Shared")), "in the folder all users share", false},
                 {Url::fileURL(layout.library()), "at the top of the system Library folder", true}};
  const platform::WalkLimits limits{1, /*skipHidden=*/false, /*sorted=*/false};
  for (const auto& place : outside) {
    const Location where{place.folder, FindingKind::other, place.isProtected, 1, AppAnalyzer::MatchMode::identifier};
    (void)analyzer_.machine.fileSystem->walk(place.folder.path(), limits, [&](const platform::WalkItem& entry) {
      const bool hidden = !entry.name.empty() && entry.name.front() == '.';
      if (hidden || place.folder != home)
        if (auto why = matcher_.assessHomeItem(entry.name, place.where)) add(Url::fileURL(entry.path), where, *why);
      return platform::WalkStep::skipDescendants;
    });
  }
  // Browser extensions the app installs carry its name as a whole word ("Open in Tool.safariextz").
  const Location extensions{library.appending("Safari/Extensions"), FindingKind::plugin, false, 1,
                            AppAnalyzer::MatchMode::identifier};
  (void)analyzer_.machine.fileSystem->walk(extensions.url.path(), limits, [&](const platform::WalkItem& entry) {
    if (auto why = matcher_.assessExtension(entry.name)) add(Url::fileURL(entry.path), extensions, *why);
    return platform::WalkStep::skipDescendants;
  });
}

void ExtendedPass::commandLineTools() {
  // A link in a command-line tool folder that leads into the bundle: the link is the app's, never its
  // target. Only links are looked at; the folder is listed, not entered.
  const Layout& layout = analyzer_.layout;
  const std::string bundle = subject_.appURL.standardized().path();
  const std::string tools[] = {layout.underRoot("/usr/local/bin"), layout.underRoot("/opt/homebrew/bin"),
                               layout.underHome(".local/bin"), layout.underHome("bin")};
  const platform::WalkLimits limits{1, /*skipHidden=*/false, /*sorted=*/true};
  for (const auto& folder : tools) {
    const Location location{Url::fileURL(folder), FindingKind::other, false, 1, AppAnalyzer::MatchMode::identifier};
    const std::string macFolder = layout.macPath(folder).value_or(folder);
    (void)analyzer_.machine.fileSystem->walk(folder, limits, [&](const platform::WalkItem& entry) {
      if (entry.type != platform::EntryType::symbolicLink) return platform::WalkStep::skipDescendants;
      const auto target = analyzer_.machine.fileSystem->readLink(entry.path);
      if (!target.has_value() || target->empty()) return platform::WalkStep::skipDescendants;
      const std::string mac = target->front() == '/' ? *target : macFolder + "/" + *target;
      const std::string host = layout.hostPath(mac);
      if (host.size() > bundle.size() && host.compare(0, bundle.size(), bundle) == 0 && host[bundle.size()] == '/')
        add(Url::fileURL(entry.path), location,
            MatchEvidence(EvidenceKind::embeddedComponent,
                          "This command-line tool link leads into this app's bundle (" + mac +
                              "); the link is removed, not what it leads to.",
                          ExtendedMatching::kStrongWeight),
            /*strong=*/true);
      return platform::WalkStep::skipDescendants;
    });
  }
}

}  // namespace corvane
