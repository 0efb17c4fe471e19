#include "corvane/discovery/dev_artifact_inspector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/file_status.h"
#include "sample_mac/sample_mac.h"
#include "platform/disk_identity.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::SampleMac;

constexpr const char* kOwnerSentence =
    "Developer artifact. Remove only what you no longer use; nothing here is required for your apps to run.";
constexpr const char* kDerivedData =
    "Xcode DerivedData: Build products and indexes. Xcode regenerates these on the next build.";

class DevArtifactInspectorTest : public ::testing::Test {
 protected:
  std::string derivedData() const { return mac_.user("Library/Developer/Xcode/DerivedData"); }
  std::vector<FileFinding> scan() const { return DevArtifactInspector().scan(Layout::at(mac_.root(), mac_.home())); }

  static std::vector<std::string> paths(const std::vector<FileFinding>& findings) {
    std::vector<std::string> out;
    for (const auto& f : findings) out.push_back(f.url.path());
    return out;
  }
  static std::vector<std::string> sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
  }

  testing::TemporaryFolder folder_{"corvane-devartifacts"};
  SampleMac mac_{folder_.path()};
};

TEST_F(DevArtifactInspectorTest, LinksLeadingOutOfTheFolderAreLeftOut) {
  std::string inside = SampleMac::makeFolder(derivedData() + "/Real-abc");
  // Absolute targets are paths on the Mac: under the root, whatever the host has there.
  SampleMac::makeFolder(mac_.system("/Users/Shared/Elsewhere"));
  fs::create_directory_symlink("/Users/Shared/Elsewhere", derivedData() + "/ToOutside");
  SampleMac::makeFolder(mac_.user("Projects/Elsewhere"));
  fs::create_directory_symlink("../../../../Projects/Elsewhere", derivedData() + "/RelativeOutside");
  fs::create_directory_symlink("Real-abc/../Real-abc", derivedData() + "/RelativeInside");
  fs::create_directory_symlink("../DerivedData", derivedData() + "/ToTheFolderItself");
  fs::create_directory_symlink("../DerivedDataSibling", derivedData() + "/ToASiblingWithTheSamePrefix");
  SampleMac::makeFolder(mac_.user("Library/Developer/Xcode/DerivedDataSibling"));
  fs::create_symlink("/", derivedData() + "/ToTheDiskRoot");

  std::vector<FileFinding> findings = scan();
  // Reported as listed, not as resolved.
  EXPECT_EQ(sorted(paths(findings)),
            sorted({inside, derivedData() + "/RelativeInside", derivedData() + "/ToTheFolderItself"}));
}

TEST_F(DevArtifactInspectorTest, AFolderReachedThroughLinksIsStillListed) {
  // The home itself and DerivedData are links: entries resolve into the same place the folder does.
  std::string linkedHome = folder_.path() + "/linked-home";
  fs::create_directory_symlink(mac_.home(), linkedHome);
  std::string storage = SampleMac::makeFolder(folder_.path() + "/storage/DerivedData");
  SampleMac::makeFolder(storage + "/Project-xyz");
  SampleMac::makeFolder(mac_.user("Library/Developer/Xcode"));
  fs::create_directory_symlink(storage, mac_.user("Library/Developer/Xcode/DerivedData"));
  EXPECT_EQ(paths(DevArtifactInspector().scan(Url::fileURL(linkedHome))),
            (std::vector<std::string>{linkedHome + "/Library/Developer/Xcode/DerivedData/Project-xyz"}));
}

TEST_F(DevArtifactInspectorTest, FindingsFollowTableOrderAndWholeFolderLocationsGiveOneWhateverTheyHold) {
  std::string caches = SampleMac::makeFolder(mac_.user("Library/Developer/CoreSimulator/Caches"));
  SampleMac::writeFile(caches + "/dyld/21A/cache.bin", std::string(5000, 'z'));
  SampleMac::makeFolder(caches + "/Other");
  SampleMac::writeFile(caches + "/.DS_Store");
  // An empty whole-folder location still counts: it exists.
  std::string swiftpm = SampleMac::makeFolder(mac_.user("Library/Caches/org.swift.swiftpm"));
  SampleMac::makeFolder(mac_.user("Library/Developer/Xcode/tvOS DeviceSupport/17.0 (21J354)"));
  SampleMac::makeFolder(mac_.user("Library/Developer/Xcode/watchOS DeviceSupport/10.0 (21R356)"));
  SampleMac::makeFolder(mac_.user("Library/Developer/Xcode/iOS DeviceSupport/17.1 (21B74)"));
  SampleMac::makeFolder(derivedData() + "/App-1");

  std::vector<FileFinding> findings = scan();
  std::vector<std::string> titles;
  for (const FileFinding& f : findings) titles.push_back(f.evidence[0].explanation);
  EXPECT_EQ(titles,
            (std::vector<std::string>{
                kDerivedData,
                "iOS DeviceSupport: Debug symbols for iOS versions. Regenerated when a device reconnects.",
                "watchOS DeviceSupport: Debug symbols for watchOS versions. Regenerated when a device reconnects.",
                "tvOS DeviceSupport: Debug symbols for tvOS versions. Regenerated when a device reconnects.",
                "Simulator caches: Cached simulator runtime data. Rebuilt as needed.",
                "Swift Package Manager cache: Downloaded package checkouts and binaries. Re-fetched on the next "
                "resolve.",
            }));
  EXPECT_EQ(findings[4].url.path(), caches);
  EXPECT_EQ(findings[4].score, 20);
  EXPECT_EQ(findings[4].evidence[1].explanation, kOwnerSentence);
  EXPECT_EQ(findings[5].url.path(), swiftpm);
}

TEST_F(DevArtifactInspectorTest, AnInspectorCanBeGivenItsOwnLocations) {
  SampleMac::makeFolder(mac_.user("Caches/Tool/one"));
  SampleMac::makeFolder(mac_.user("Caches/Tool/two"));
  SampleMac::makeFolder(derivedData() + "/Ignored");
  DevArtifactInspector inspector({{"Tool cache", "Caches/Tool", "Rebuilt by the tool.", true}});
  std::vector<FileFinding> findings = inspector.scan(Url::fileURL(mac_.home()));
  EXPECT_EQ(sorted(paths(findings)), sorted({mac_.user("Caches/Tool/one"), mac_.user("Caches/Tool/two")}));
  EXPECT_EQ(findings[0].evidence[0].explanation, "Tool cache: Rebuilt by the tool.");
  EXPECT_EQ(DevArtifactInspector().locations.size(), 6u);
}

}  // namespace
}  // namespace corvane
