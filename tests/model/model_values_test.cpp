// The model's value types: identities, findings, their kinds and file URLs.
#include <gtest/gtest.h>

#include "corvane/model/app_identity.h"
#include "corvane/model/file_finding.h"
#include "corvane/model/removal_records.h"
#include "corvane/base/url.h"
#include "base/url_reading.h"

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
  EXPECT_TRUE(OrphanGroup::isPlaceholderAppURL(s.appURL));
  EXPECT_FALSE(OrphanGroup::isPlaceholderAppURL(Url::fileURL("/Applications/.Corvane-Missing-x.app/Contents")));
  EXPECT_FALSE(OrphanGroup::isPlaceholderAppURL(Url::fileURL("/Applications/Tool.app")));
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
  const std::pair<const char*, const char*> cases[] = {
      {"/tmp/x", "not a file URL"},
      {"https:///x", "not a file URL"},
      {"file://relative/x", "not an absolute path"},
      {"file:///bad%2", "a malformed percent escape"},
      {"file:///bad%zz", "a malformed percent escape"},
      {"file:///nul%00byte", "a NUL byte in the path"},
  };
  for (const auto& [text, problem] : cases) {
    auto url = url::readFileURL(text);
    ASSERT_FALSE(url.has_value()) << text;
    EXPECT_EQ(url.error().message, problem) << text;
    EXPECT_EQ(url.error().path, text);
    EXPECT_EQ(Url::parse(text), std::nullopt);
  }
}

}  // namespace
}  // namespace corvane
