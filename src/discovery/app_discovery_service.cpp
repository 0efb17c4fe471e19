#include "corvane/discovery/app_discovery_service.h"

#include <algorithm>
#include <cerrno>
#include <unordered_set>

#include "base/ascii.h"
#include "discovery/bundle_reader.h"
#include "corvane/platform/file_system.h"
#include "platform/mounted_volumes.h"
#include "platform/unicode.h"
#include "platform/system_layout.h"

namespace corvane {

namespace {

// Entries this many levels below a search root are looked at but not entered.
constexpr std::size_t kMaxSearchDepth = 3;

// Whether something is at the path, a final link followed.
bool exists(const platform::FileSystem& fs, const std::string& path) { return fs.realPath(path).has_value(); }

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && text.substr(0, prefix.size()) == prefix;
}

std::size_t componentCount(std::string_view path) { return url::pathComponents(path).size(); }

// The file name without its extension ("Foo.app" gives "Foo").
std::string baseName(const Url& url) {
  std::string name = url.lastPathComponent();
  std::string extension = url.pathExtension();
  if (extension.empty()) return name;
  return name.substr(0, name.size() - extension.size() - 1);
}

}  // namespace

AppDiscoveryService::AppDiscoveryService() : AppDiscoveryService(platform::systemLayout()) {}

AppDiscoveryService::AppDiscoveryService(Layout layout, VolumeLister listVolumes,
                                         std::shared_ptr<const platform::FileSystem> fileSystem)
    : layout_(std::move(layout)),
      fileSystem_(fileSystem ? std::move(fileSystem) : platform::sharedRealFileSystem()),
      listVolumes_(listVolumes ? std::move(listVolumes) : volumeLister(layout_, fileSystem_)) {}

AppDiscoveryService::VolumeLister AppDiscoveryService::volumeLister(
    const Layout& layout, std::shared_ptr<const platform::FileSystem> fileSystem) {
  return layout.isLiveSystem() ? systemVolumeLister() : folderVolumeLister(layout.volumes(), std::move(fileSystem));
}

AppDiscoveryService::VolumeLister AppDiscoveryService::folderVolumeLister(
    std::string volumesFolder, std::shared_ptr<const platform::FileSystem> fileSystem) {
  if (!fileSystem) fileSystem = platform::sharedRealFileSystem();
  return [folder = std::move(volumesFolder), fs = std::move(fileSystem)]() -> std::optional<std::vector<MountedVolume>> {
    auto listing = fs->list(folder);
    if (!listing.has_value()) return std::vector<MountedVolume>{};
    std::vector<MountedVolume> volumes;
    for (const auto& entry : listing->entries) {
      // A link here (the startup disk's "Macintosh HD" -> "/") is no attached volume.
      if (entry.type != platform::EntryType::directory) continue;
      volumes.push_back(MountedVolume{Url::fileURL(folder + "/" + entry.name), entry.name, true, true, false});
    }
    return volumes;
  };
}

AppDiscoveryService::VolumeLister AppDiscoveryService::systemVolumeLister() {
  return []() -> std::optional<std::vector<MountedVolume>> {
    auto mounted = platform::mountedVolumes();
    if (!mounted.has_value()) return std::nullopt;
    std::vector<MountedVolume> volumes;
    volumes.reserve(mounted->size());
    for (auto& m : *mounted)
      volumes.push_back(MountedVolume{Url::fileURL(m.mountPoint), m.name, m.isBrowsable, m.isLocal, m.isReadOnly});
    return volumes;
  };
}

std::vector<InstalledApplication> AppDiscoveryService::discover() const {
  std::vector<std::string> roots = {layout_.applications(), layout_.underHome("Applications"),
                                    layout_.systemApplications()};
  for (const auto& root : externalApplicationRoots(mountedVolumeFacts())) roots.push_back(root.path());

  std::unordered_set<std::string> seen;
  std::vector<InstalledApplication> found;
  for (const auto& root : roots) {
    if (!exists(*fileSystem_, root)) continue;
    const std::size_t rootDepth = componentCount(root);
    (void)fileSystem_->walk(root, platform::WalkLimits{}, [&](const platform::WalkItem& entry) {
      if (ascii::lowercased(Url::fileURL(entry.path).pathExtension()) == "app") {
        if (entry.type != platform::EntryType::directory) return platform::WalkStep::skipDescendants;
        Url location = Url::fileURL(entry.path).standardized();
        if (seen.insert(location.path()).second) found.push_back(makeApplication(location));
        return platform::WalkStep::skipDescendants;
      }
      if (componentCount(entry.path) - rootDepth >= kMaxSearchDepth) return platform::WalkStep::skipDescendants;
      return platform::WalkStep::descend;
    });
  }
  std::stable_sort(found.begin(), found.end(), [](const InstalledApplication& a, const InstalledApplication& b) {
    return platform::localizedCaseInsensitiveCompare(a.name, b.name) < 0;
  });
  return found;
}

std::vector<std::string> AppDiscoveryService::unreadableApplicationFolders() const {
  // Every Mac has an Applications folder; the others may be missing.
  const std::pair<std::string, bool> folders[] = {
      {layout_.applications(), true}, {layout_.underHome("Applications"), false}, {layout_.systemApplications(), false}};
  std::vector<std::string> unreadable;
  for (const auto& [folder, required] : folders) {
    auto listed = fileSystem_->list(folder);
    if (listed.has_value() || (!required && listed.error().code == ENOENT)) continue;
    unreadable.push_back(folder);
  }
  return unreadable;
}

InstalledApplication AppDiscoveryService::makeApplication(const Url& url) const {
  std::optional<PropertyList> info = bundle::infoDictionary(*fileSystem_, url.path());
  const strings::StringsTable localized =
      info ? bundle::localizedInfoStrings(*fileSystem_, url.path(), *info) : strings::StringsTable{};
  // The localization's value where it gives one (what the Finder shows), else the information list's own.
  auto text = [&](const char* key) -> std::optional<std::string> {
    if (auto it = localized.find(std::string_view(key)); it != localized.end()) return it->second;
    return info ? info->string(key) : std::nullopt;
  };
  InstalledApplication app;
  app.url = url;
  if (auto displayName = text("CFBundleDisplayName")) {
    app.name = *displayName;
  } else if (auto bundleName = text("CFBundleName")) {
    app.name = *bundleName;
  } else {
    app.name = baseName(url);
  }
  app.bundleIdentifier = info ? info->string("CFBundleIdentifier") : std::nullopt;
  app.version = text("CFBundleShortVersionString");
  app.isSystemApplication = startsWith(url.path(), layout_.underRoot("/System/"));
  return app;
}

std::vector<AppDiscoveryService::VolumeFacts> AppDiscoveryService::qualifyingExternalVolumes(
    const std::vector<VolumeFacts>& volumes) const {
  const std::string volumesPrefix = layout_.volumes() + "/";
  std::vector<VolumeFacts> kept;
  for (const auto& v : volumes) {
    if (!v.isBrowsable || !v.isLocal || v.isReadOnly || v.isBootableOS) continue;
    if (!startsWith(v.url.path(), volumesPrefix)) continue;
    if (platform::lowercased(v.name).find("timemachine") != std::string::npos) continue;
    if (startsWith(v.name, "com.apple.")) continue;
    kept.push_back(v);
  }
  return kept;
}

std::vector<Url> AppDiscoveryService::externalApplicationRoots(const std::vector<VolumeFacts>& from) const {
  std::vector<Url> roots;
  for (const auto& v : qualifyingExternalVolumes(from)) {
    roots.push_back(v.url);
    if (v.hasApplicationsSubfolder) roots.push_back(v.url.appending("Applications"));
  }
  return roots;
}

std::vector<AppDiscoveryService::VolumeFacts> AppDiscoveryService::mountedVolumeFacts() const {
  std::optional<std::vector<MountedVolume>> mounted = listVolumes_ ? listVolumes_() : std::nullopt;
  if (!mounted) return {};
  std::vector<VolumeFacts> facts;
  facts.reserve(mounted->size());
  for (const auto& m : *mounted) {
    VolumeFacts f;
    f.url = m.url;
    f.name = m.name.value_or(m.url.lastPathComponent());
    f.isBrowsable = m.isBrowsable.value_or(false);
    f.isLocal = m.isLocal.value_or(false);
    f.isReadOnly = m.isReadOnly.value_or(true);
    f.isBootableOS = exists(*fileSystem_, m.url.appending("System/Library/CoreServices").path());
    f.hasApplicationsSubfolder = exists(*fileSystem_, m.url.appending("Applications").path());
    facts.push_back(std::move(f));
  }
  return facts;
}

}  // namespace corvane
