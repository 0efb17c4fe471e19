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

TEST_F(AppDiscoveryTest, WalkFindsBundlesUpToThreeLevelsAndSkipsWhatIsNotAnApp) {
  const std::string apps = mac_.system("/Applications");
  std::string one = app(apps, "One");
  std::string two = app(apps + "/Folder", "Two");
  std::string three = app(apps + "/A/B", "Three");
  app(apps + "/A/B/C", "Four");                       // four levels down
  std::string upper = SampleMac::makeFolder(apps + "/Tool.APP");
  SampleMac::writeFile(apps + "/Fake.app", "not a bundle");
  app(one, "Inner");
  app(one + "/Contents/Library/LoginItems", "Nested");
  app(apps + "/.Hidden", "Secret");
  app(apps, ".Dotted");

  // Sorted by name: One, Three, Tool (named after its folder, which has no Info.plist), Two.
  std::vector<std::string> expected = {one, three, upper, two};
  EXPECT_EQ(discoveredPaths(service()), expected);
}

TEST_F(AppDiscoveryTest, AnAppOnAnAttachedVolumeIsListedOnceThroughBothRoots) {
  const std::string ext = mac_.system("/Volumes/Ext");
  std::string top = app(ext, "Top");
  std::string both = app(ext + "/Applications", "Both");
  std::string deep = app(ext + "/Applications/X/Y", "Deep");  // three levels below the Applications root
  app(mac_.system("/Volumes/Backup"), "Ignored");

  std::vector<MountedVolume> volumes = {
      {Url::fileURL(ext), std::nullopt, true, true, false},
      {Url::fileURL(mac_.system("/Volumes/Backup")), std::nullopt, true, true, true},
  };
  std::vector<std::string> expected = {both, deep, top};
  EXPECT_EQ(discoveredPaths(service(volumes)), expected);
}

TEST_F(AppDiscoveryTest, VolumeFactsFillInWhatTheSystemDidNotSay) {
  const std::string ext = SampleMac::makeFolder(mac_.system("/Volumes/Ext") + "/Applications");
  const std::string boot = SampleMac::makeFolder(mac_.system("/Volumes/Boot/System/Library/CoreServices"));
  std::vector<MountedVolume> volumes = {
      {Url::fileURL(mac_.system("/Volumes/Ext")), "External", true, true, false},
      {Url::fileURL(mac_.system("/Volumes/Boot")), std::nullopt, std::nullopt, std::nullopt, std::nullopt},
  };
  std::vector<VolumeFacts> expected = {
      {Url::fileURL(mac_.system("/Volumes/Ext")), "External", true, true, false, false, true},
      {Url::fileURL(mac_.system("/Volumes/Boot")), "Boot", false, false, true, true, false},
  };
  EXPECT_EQ(service(volumes).mountedVolumeFacts(), expected);
}

TEST_F(AppDiscoveryTest, OnlyBrowsableLocalWritableUserVolumesQualify) {
  AppDiscoveryService s = service();
  const std::string vols = mac_.system("/Volumes");
  auto volume = [&](std::string name, std::string path, bool VolumeFacts::*flag = nullptr, bool value = false) {
    VolumeFacts v{Url::fileURL(std::move(path)), std::move(name), true, true, false, false, false};
    if (flag) v.*flag = value;
    return v;
  };
  const VolumeFacts good = volume("Ext", vols + "/Ext");
  const VolumeFacts withApps = volume("Work", vols + "/Work", &VolumeFacts::hasApplicationsSubfolder, true);
  const VolumeFacts capital = volume("Com.apple.disk", vols + "/Capital");  // the system prefix is case-sensitive
  std::vector<VolumeFacts> rejected = {
      volume("TimeMachineBackups", vols + "/TimeMachineBackups"),
      volume("My timemachine disk", vols + "/My timemachine disk"),
      volume("com.apple.TimeMachine.localsnapshots", vols + "/snap"),
      volume("Outside", mac_.system("/mnt/Outside")),
      volume("VolumesLookalike", mac_.system("/VolumesLookalike")),
      volume("Hidden", vols + "/Hidden", &VolumeFacts::isBrowsable, false),
      volume("Remote", vols + "/Remote", &VolumeFacts::isLocal, false),
      volume("ReadOnly", vols + "/ReadOnly", &VolumeFacts::isReadOnly, true),
      volume("Bootable", vols + "/Bootable", &VolumeFacts::isBootableOS, true),
  };
  for (const auto& v : rejected) {
    SCOPED_TRACE(v.name + " at " + v.url.path());
    EXPECT_TRUE(s.qualifyingExternalVolumes({v}).empty());
  }
  std::vector<VolumeFacts> all = rejected;
  all.insert(all.begin() + 2, good);
  all.push_back(capital);
  all.push_back(withApps);
  EXPECT_EQ(s.qualifyingExternalVolumes(all), (std::vector<VolumeFacts>{good, capital, withApps}));
  EXPECT_EQ(s.externalApplicationRoots(all),
            (std::vector<Url>{good.url, capital.url, withApps.url, Url::fileURL(vols + "/Work/Applications")}));
}

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

// Enough equal names that an unstable sort would mix them up; within one folder the walk goes in name order,
// and the home root comes after the system one.
TEST_F(AppDiscoveryTest, SortsByNameIgnoringCaseAndKeepsTheWalkOrderOfEqualNames) {
  const std::string apps = mac_.system("/Applications");
  std::string beta = app(apps, "Beta");
  std::vector<std::string> expected = {app(apps, "alpha"), beta};
  std::vector<std::string> same(40);
  for (int i = 39; i >= 0; --i) {  // made in reverse: the walk goes by file name, not by creation
    std::string file = std::string(i < 10 ? "App0" : "App") + std::to_string(i);
    const char* name = i % 3 == 0 ? "Same" : (i % 3 == 1 ? "same" : "SAME");
    same[i] = mac_.addApp(apps, BundleInfo{file, {}, {}, {}, {{"CFBundleDisplayName", name}}});
  }
  expected.insert(expected.end(), same.begin(), same.end());
  expected.push_back(mac_.addApp(mac_.user("Applications"), BundleInfo{"Other", "com.third", std::nullopt, std::nullopt,
                                                                       {{"CFBundleDisplayName", "SAME"}}}));
  EXPECT_EQ(discoveredPaths(service()), expected);
}

TEST_F(AppDiscoveryTest, NamesComeFromDisplayNameThenBundleNameThenFileName) {
  const std::string apps = mac_.system("/Applications");
  AppDiscoveryService s = service();
  auto infoApp = [&](const std::string& file, PlistDictionary keys, testing::PlistFormat format) {
    std::string path = SampleMac::makeFolder(apps + "/" + file);
    testing::writeInfoPlist(path, PropertyList(std::move(keys)), format);
    return s.makeApplication(Url::fileURL(path));
  };
  using testing::PlistFormat;
  EXPECT_EQ(infoApp("Empty.app", {{"CFBundleDisplayName", ""}, {"CFBundleName", "Bundle"}}, PlistFormat::xml).name, "");
  InstalledApplication typed = infoApp(
      "Typed.app", {{"CFBundleDisplayName", PropertyList(std::int64_t{7})},
                    {"CFBundleShortVersionString", PropertyList(3.5)},
                    {"CFBundleIdentifier", PropertyList(true)}},
      PlistFormat::xml);
  EXPECT_EQ(typed, (InstalledApplication{Url::fileURL(apps + "/Typed.app"), "Typed", std::nullopt, std::nullopt, false}));

  InstalledApplication binary = infoApp(
      "Bin.app", {{"CFBundleName", "Binary Name"}, {"CFBundleIdentifier", "com.example.bin"},
                  {"CFBundleShortVersionString", "4.0"}},
      PlistFormat::binary);
  EXPECT_EQ(binary, (InstalledApplication{Url::fileURL(apps + "/Bin.app"), "Binary Name", "com.example.bin", "4.0",
                                          false}));

  // Unreadable bundles are named after their file.
  SampleMac::writeFile(apps + "/Broken.app/Contents/Info.plist", "<plist><dict><key>");
  EXPECT_EQ(s.makeApplication(Url::fileURL(apps + "/Broken.app")),
            (InstalledApplication{Url::fileURL(apps + "/Broken.app"), "Broken", std::nullopt, std::nullopt, false}));
  EXPECT_EQ(s.makeApplication(Url::fileURL(apps + "/Gone.app")).name, "Gone");
  EXPECT_EQ(s.makeApplication(Url::fileURL(apps + "/Plain")).name, "Plain");
}

// InfoPlist.strings of the bundle's localization, as the system writes it (UTF-16 with a byte-order mark): the app
// is listed and analysed under the name it shows. (Other encodings are the strings reader's.)
TEST_F(AppDiscoveryTest, AppsAreListedAndMatchedUnderTheirLocalizedName) {
  std::string strings = "\xFF\xFE";
  for (char16_t unit : std::u16string(u"\"CFBundleDisplayName\" = \"Bildwerk St\u00fcdio\";\n")) {
    strings += static_cast<char>(unit & 0xFF);
    strings += static_cast<char>(unit >> 8);
  }
  std::string app = mac_.addApp({"Fotos", "com.example.fotos", "1.0", std::nullopt, {}});
  SampleMac::writeFile(app + "/Contents/Resources/en.lproj/InfoPlist.strings", strings);
  std::string leftover = SampleMac::makeFolder(mac_.user("Library/Application Support/Bildwerk St\u00fcdio"));
  const Layout layout = Layout::at(mac_.root(), mac_.home());

  std::vector<InstalledApplication> found = service().discover();
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0],
            (InstalledApplication{Url::fileURL(app), "Bildwerk St\u00fcdio", "com.example.fotos", "1.0", false}));
  AppAnalyzer::Collaborators c;
  c.runningApplications = [] { return std::vector<RunningApplication>{}; };
  c.requiresAdministrator = [](const Url&) { return false; };
  AppAnalyzer analyzer(layout, std::move(c));
  std::vector<std::string> paths;
  for (const auto& finding : analyzer.analyze(found[0], found).findings) paths.push_back(finding.url.path());
  EXPECT_EQ(paths, (std::vector<std::string>{app, leftover}));
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
