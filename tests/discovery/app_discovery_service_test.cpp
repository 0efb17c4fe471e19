#include "corvane/discovery/app_discovery_service.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "corvane/analysis/app_analyzer.h"
#include "sample_mac/bundle_components.h"
#include "sample_mac/plist_writer.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::BundleInfo;
using testing::SampleMac;
using VolumeFacts = AppDiscoveryService::VolumeFacts;
using MountedVolume = AppDiscoveryService::MountedVolume;

class AppDiscoveryTest : public ::testing::Test {
 protected:
  AppDiscoveryService service(std::vector<MountedVolume> volumes = {}) const {
    return AppDiscoveryService(Layout::at(mac_.root(), mac_.home()),
                               [volumes] { return std::optional<std::vector<MountedVolume>>(volumes); });
  }
  std::vector<std::string> discoveredPaths(const AppDiscoveryService& s) const {
    std::vector<std::string> paths;
    for (const auto& app : s.discover()) paths.push_back(app.url.path());
    return paths;
  }
  std::string app(const std::string& parent, const std::string& name) const {
    return mac_.addApp(parent, BundleInfo{name, "com.example." + name, "1.0", std::nullopt, {}});
  }

  testing::TemporaryFolder folder_{"corvane-discovery"};
  SampleMac mac_{folder_.path()};
};

TEST_F(AppDiscoveryTest, ASampleMacsVolumesAreTheFoldersInItsVolumesFolderNeverTheHostsMounts) {
  const std::string ext = mac_.system("/Volumes/Ext");
  std::string onVolume = app(ext + "/Applications", "Carried");
  SampleMac::makeFolder(mac_.system("/Volumes/.hidden"));
  fs::create_directory_symlink("/", mac_.system("/Volumes/Macintosh HD"));  // the startup disk, not attached

  const Layout layout = Layout::at(mac_.root(), mac_.home());
  auto listed = AppDiscoveryService::volumeLister(layout)();
  ASSERT_TRUE(listed.has_value());
  EXPECT_EQ(*listed, (std::vector<MountedVolume>{{Url::fileURL(ext), "Ext", true, true, false}}));
  EXPECT_EQ(discoveredPaths(AppDiscoveryService(layout)), std::vector<std::string>{onVolume});
  // Without a Volumes folder a sample Mac has no volumes at all.
  fs::remove_all(mac_.system("/Volumes"));
  EXPECT_EQ(AppDiscoveryService::volumeLister(layout)(), std::vector<MountedVolume>{});
}

TEST(AppDiscoveryVolumesTest, WithTheDefaultLayoutTheRulesReadTheRealVolumesFolder) {
  AppDiscoveryService s(Layout::at("/", "/nonexistent-home"),
                        [] { return std::optional<std::vector<MountedVolume>>(); });
  VolumeFacts ext{Url::fileURL("/Volumes/Ext"), "Ext", true, true, false, false, false};
  VolumeFacts media{Url::fileURL("/media/Ext"), "Ext", true, true, false, false, false};
  EXPECT_EQ(s.qualifyingExternalVolumes({media, ext}), std::vector<VolumeFacts>{ext});
  EXPECT_TRUE(s.makeApplication(Url::fileURL("/System/Applications/Missing.app")).isSystemApplication);
  EXPECT_FALSE(s.makeApplication(Url::fileURL("/SystemX/Missing.app")).isSystemApplication);
}

// Which value names the app: the localization's display name, else the list's, else the localization's bundle
// name, else the list's. The localization is English when the bundle has it, else its development region.
TEST_F(AppDiscoveryTest, TheLocalizationFollowsTheNamingOrder) {
  struct Case {
    const char* name;
    PlistDictionary info;
    std::vector<std::pair<std::string, std::string>> stringsFiles;  // localization folder, contents
    std::string expected;
  };
  const PlistDictionary both = {{"CFBundleDisplayName", "List Shown"}, {"CFBundleName", "List Name"}};
  const std::vector<Case> cases = {
      {"localized display name first", both, {{"en", "CFBundleDisplayName = \"En Shown\";"}}, "En Shown"},
      {"list display name before a localized bundle name", both, {{"en", "CFBundleName = \"En Name\";"}}, "List Shown"},
      {"localized bundle name", {{"CFBundleName", "List Name"}}, {{"en", "CFBundleName = \"En Name\";"}}, "En Name"},
      {"English before the development region",
       {{"CFBundleName", "N"}, {"CFBundleDevelopmentRegion", "de"}},
       {{"de", "CFBundleName = \"De\";"}, {"English", "CFBundleName = \"English\";"}},
       "English"},
      {"the development region", {{"CFBundleName", "N"}, {"CFBundleDevelopmentRegion", "de"}},
       {{"de", "CFBundleName = \"De\";"}, {"fr", "CFBundleName = \"Fr\";"}}, "De"},
      {"no localization of ours", {{"CFBundleName", "N"}}, {{"fr", "CFBundleName = \"Fr\";"}}, "N"},
      {"a malformed table ends the search",
       {{"CFBundleName", "N"}, {"CFBundleDevelopmentRegion", "de"}},
       {{"en", "CFBundleName = \"En\""}, {"de", "CFBundleName = \"De\";"}},
       "N"},
  };
  AppDiscoveryService s = service();
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].name);
    std::string app = SampleMac::makeFolder(mac_.system("/Applications/L" + std::to_string(i) + ".app"));
    testing::writeInfoPlist(app, PropertyList(cases[i].info), testing::PlistFormat::xml);
    for (const auto& [localization, contents] : cases[i].stringsFiles)
      SampleMac::writeFile(app + "/Contents/Resources/" + localization + ".lproj/InfoPlist.strings", contents);
    EXPECT_EQ(s.makeApplication(Url::fileURL(app)).name, cases[i].expected);
  }
}

}  // namespace
}  // namespace corvane
