#pragma once
// Finds the applications installed on a Mac: the standard application folders and the writable local
// volumes the user attached, searched up to three folder levels deep, each bundle read into an
// InstalledApplication. Also decides which attached volumes count as the user's external volumes.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "corvane/model/app_identity.h"
#include "corvane/model/layout.h"
#include "corvane/base/url.h"
#include "corvane/platform/file_system.h"

namespace corvane {

class AppDiscoveryService {
 public:
  // What discovery knows about one mounted volume.
  struct VolumeFacts {
    Url url;                               // the mount point
    std::string name;                      // the volume's name, or the mount point's last component
    bool isBrowsable = false;              // shown to the user; false when unknown
    bool isLocal = false;                  // not a network volume; false when unknown
    bool isReadOnly = true;                // true when unknown
    bool isBootableOS = false;             // "System/Library/CoreServices" exists below the mount point
    bool hasApplicationsSubfolder = false; // "Applications" exists directly below the mount point

    bool operator==(const VolumeFacts&) const = default;
  };

  // What the system reports for one mounted volume; a value it could not read is absent.
  struct MountedVolume {
    Url url;
    std::optional<std::string> name;
    std::optional<bool> isBrowsable;
    std::optional<bool> isLocal;
    std::optional<bool> isReadOnly;

    bool operator==(const MountedVolume&) const = default;
  };
  // The mounted volumes (hidden ones left out) in the system's order; none when the system cannot say.
  using VolumeLister = std::function<std::optional<std::vector<MountedVolume>>()>;

  // The real machine: its own layout and the system's mounted volumes.
  AppDiscoveryService();
  // `layout` supplies every location searched and the "/System/" and "/Volumes/" tests. Without a
  // lister, the layout's own volumes are used (volumeLister(layout)). Folders are searched through
  // `fileSystem`, this machine's when none is given.
  explicit AppDiscoveryService(Layout layout, VolumeLister listVolumes = nullptr,
                               std::shared_ptr<const platform::FileSystem> fileSystem = nullptr);

  // The volumes attached to the Mac `layout` describes: the system's mount table for the live system,
  // otherwise the folders in the layout's Volumes folder (a copied or sample Mac has no mounts of its
  // own, and the host's are not the Mac's).
  static VolumeLister volumeLister(const Layout& layout,
                                   std::shared_ptr<const platform::FileSystem> fileSystem = nullptr);
  static VolumeLister systemVolumeLister();
  // Each real folder (not a link) in `volumesFolder`, hidden ones left out, as a browsable, local,
  // writable volume named after the folder.
  static VolumeLister folderVolumeLister(std::string volumesFolder,
                                         std::shared_ptr<const platform::FileSystem> fileSystem = nullptr);

  // Every application found, sorted by name (localized, case-insensitive, stable). Never fails.
  std::vector<InstalledApplication> discover() const;

  // The standard application folders that could not be listed, so that a list of installed applications
  // from them would be incomplete: the Applications folder when it is missing or unreadable, the user's
  // and the system's when they exist but cannot be read. Empty when discover() saw everything it needs.
  std::vector<std::string> unreadableApplicationFolders() const;

  // The record of one bundle: name from CFBundleDisplayName, else CFBundleName, else the file name
  // without its extension; version from CFBundleShortVersionString. Never fails.
  InstalledApplication makeApplication(const Url& url) const;

  // The volumes searched for applications, in the given order: browsable, local, writable, not holding a
  // system, mounted inside the Volumes folder, not a Time Machine or system-owned volume.
  std::vector<VolumeFacts> qualifyingExternalVolumes(const std::vector<VolumeFacts>& volumes) const;

  // For each qualifying volume: its mount point, then its Applications folder when it has one.
  std::vector<Url> externalApplicationRoots(const std::vector<VolumeFacts>& from) const;

  // The facts of every mounted volume the lister reports.
  std::vector<VolumeFacts> mountedVolumeFacts() const;

  const Layout& layout() const { return layout_; }

 private:
  Layout layout_;
  std::shared_ptr<const platform::FileSystem> fileSystem_;
  VolumeLister listVolumes_;
};

}  // namespace corvane
