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

TEST_F(DevArtifactInspectorTest, EachVisibleProjectFolderIsOneFindingToReview) {
  std::string a = SampleMac::makeFolder(derivedData() + "/Alpha-abcdefgh");
  std::string b = SampleMac::writeFile(derivedData() + "/Beta-ijklmnop/Build/Products/app.o", std::string(70000, 'x'));
  std::string c = SampleMac::makeFolder(derivedData() + "/Gamma Project-qrstuv");
  SampleMac::writeFile(derivedData() + "/.DS_Store");
  SampleMac::makeFolder(derivedData() + "/.hidden-project");
  std::string loose = SampleMac::writeFile(derivedData() + "/info.plist", std::string(10000, 'y'));
  const auto modified = std::chrono::sys_seconds(std::chrono::seconds(1700000000));
  fs::last_write_time(loose, std::chrono::file_clock::from_sys(modified));

  std::vector<FileFinding> findings = scan();
  EXPECT_EQ(sorted(paths(findings)),
            sorted({a, derivedData() + "/Beta-ijklmnop", c, loose}));

  for (const FileFinding& f : findings) {
    SCOPED_TRACE(f.url.path());
    EXPECT_EQ(f.kind, FindingKind::other);
    EXPECT_EQ(f.confidence, FindingConfidence::review);
    EXPECT_EQ(f.score, 20);
    ASSERT_EQ(f.evidence.size(), 2u);
    EXPECT_EQ(f.evidence[0].kind, EvidenceKind::location);
    EXPECT_EQ(f.evidence[0].explanation, kDerivedData);
    EXPECT_EQ(f.evidence[1].kind, EvidenceKind::noInstalledOwner);
    EXPECT_EQ(f.evidence[1].explanation, kOwnerSentence);
    EXPECT_EQ(f.evidence[0].weight, 0);
    EXPECT_EQ(f.evidence[1].weight, 0);
    EXPECT_FALSE(f.isProtectedLocation);
    EXPECT_EQ(f.diskIdentity, platform::diskIdentityOf(f.url));
    ASSERT_TRUE(f.diskIdentity.has_value());
    ASSERT_TRUE(f.byteCount.has_value());
  }
  EXPECT_NE(findings[0].id, findings[1].id);

  auto find = [&](const std::string& path) {
    return *std::find_if(findings.begin(), findings.end(), [&](const FileFinding& f) { return f.url.path() == path; });
  };
  // A file's size is what it takes on disk; a folder's is its own entry's, not its contents' 70,000 bytes.
  FileFinding file = find(loose);
  EXPECT_EQ(file.byteCount, platform::linkStatus(loose)->allocatedSize);
  EXPECT_GE(*file.byteCount, 10000);
  EXPECT_EQ(file.modifiedAt, modified);
  EXPECT_LT(*find(derivedData() + "/Beta-ijklmnop").byteCount, 70000);
}

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

TEST_F(DevArtifactInspectorTest, OnlyLocationsThatAreFoldersCount) {
  EXPECT_TRUE(scan().empty());
  // Their parents alone are not enough; nor are files or dangling links in their place.
  SampleMac::makeFolder(mac_.user("Library/Developer/Xcode"));
  EXPECT_TRUE(scan().empty());
  SampleMac::writeFile(derivedData(), "not a folder");
  SampleMac::writeFile(mac_.user("Library/Developer/CoreSimulator/Caches"), "not a folder");
  SampleMac::makeFolder(mac_.user("Library/Caches"));
  fs::create_directory_symlink(mac_.user("nowhere"), mac_.user("Library/Caches/org.swift.swiftpm"));
  EXPECT_TRUE(scan().empty());

  // A link to a real folder is followed for the test, but reported as the link.
  SampleMac::makeFolder(mac_.user("nowhere"));
  EXPECT_EQ(paths(scan()), (std::vector<std::string>{mac_.user("Library/Caches/org.swift.swiftpm")}));
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
