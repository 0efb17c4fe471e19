// The model's value types: identities, findings, their kinds and file URLs.
#include <gtest/gtest.h>

#include "corvane/model/app_identity.h"
#include "corvane/model/file_finding.h"
#include "corvane/model/removal_records.h"
#include "corvane/base/url.h"

namespace corvane {
namespace {

TEST(AppIdentityTest, SearchTermsTrimAndDropEmptyValues) {
  AppIdentity id{"Notes", "  com.example.notes\n", std::nullopt, std::nullopt, {}, std::nullopt, std::nullopt};
  EXPECT_EQ(id.searchTerms(), (std::vector<std::string>{"com.example.notes", "Notes"}));
  AppIdentity blank{" \t", "", "\xE2\x80\xA8\n", std::nullopt, {}, std::nullopt, std::nullopt};
  EXPECT_TRUE(blank.searchTerms().empty());
  AppIdentity repeated{"com.x", "com.x", "com.x", std::nullopt, {}, std::nullopt, std::nullopt};
  EXPECT_EQ(repeated.searchTerms(), (std::vector<std::string>{"com.x", "com.x", "com.x"}));
}

TEST(FindingKindTest, TheDisplayNameIsTheStoredString) {
  EXPECT_EQ(findingKindFromString("System / Kernel Extension"), FindingKind::systemExtension);
}

TEST(OrphanGroupTest, SnapshotNamesTheGroupAfterTheLastPiece) {
  FileFinding inUse;
  inUse.confidence = FindingConfidence::inUse;
  OrphanGroup group{"com.example.tool", {inUse}};
  AnalysisSnapshot s = group.snapshot();
  EXPECT_EQ(s.identity.name, "tool");
  EXPECT_EQ(s.identity.bundleIdentifier, "com.example.tool");
  EXPECT_EQ(s.appURL.path(), "/Applications/.Corvane-Missing-com.example.tool.app");
  EXPECT_TRUE(s.isApplicationRunning);
  EXPECT_EQ(s.findings, group.findings);
  EXPECT_EQ((OrphanGroup{"tool", {}}).snapshot().identity.name, "tool");
  EXPECT_EQ((OrphanGroup{"com.example.", {}}).snapshot().identity.name, "example");
  EXPECT_EQ((OrphanGroup{"...", {}}).snapshot().identity.name, "...");
  EXPECT_FALSE((OrphanGroup{"...", {}}).snapshot().isApplicationRunning);
}

TEST(UrlTest, WritesPathsPercentEncodedAsFileURLs) {
  EXPECT_EQ(Url::fileURL("/Users/me/Library/Application Support/Foo").absoluteString(),
            "file:///Users/me/Library/Application%20Support/Foo");
  EXPECT_EQ(Url::fileURL("/tmp/a#b?c%d").absoluteString(), "file:///tmp/a%23b%3Fc%25d");
  EXPECT_EQ(Url::fileURL("/tmp/caf\xC3\xA9/x+y,z=1;@~").absoluteString(), "file:///tmp/caf%C3%A9/x+y,z=1;@~");
}

TEST(UrlTest, RefusesWhatIsNotAnAbsoluteFileURL) {
  EXPECT_FALSE(Url::parse("/tmp/x").has_value());
  EXPECT_FALSE(Url::parse("https://example.com/x").has_value());
  EXPECT_FALSE(Url::parse("file://relative/x").has_value());
  EXPECT_FALSE(Url::parse("file:///bad%2").has_value());
  EXPECT_FALSE(Url::parse("file:///bad%zz").has_value());
  EXPECT_FALSE(Url::parse("file:///nul%00byte").has_value());
}

}  // namespace
}  // namespace corvane
