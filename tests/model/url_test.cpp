#include "corvane/url.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(UrlTest, WritesPathsPercentEncodedAsFileURLs) {
  EXPECT_EQ(Url::fileURL("/Users/me/Library/Application Support/Foo").absoluteString(),
            "file:///Users/me/Library/Application%20Support/Foo");
  EXPECT_EQ(Url::fileURL("/tmp/a#b?c%d").absoluteString(), "file:///tmp/a%23b%3Fc%25d");
  EXPECT_EQ(Url::fileURL("/tmp/caf\xC3\xA9/x+y,z=1;@~").absoluteString(), "file:///tmp/caf%C3%A9/x+y,z=1;@~");
  EXPECT_EQ(Url::fileURL("/Applications/Foo.app/").absoluteString(), "file:///Applications/Foo.app/");
}

TEST(UrlTest, ReadsBackWhatItWrites) {
  for (const char* path : {"/a b/c", "/caf\xC3\xA9", "/x%y", "/", "/dir/"}) {
    SCOPED_TRACE(path);
    auto u = Url::parse(Url::fileURL(path).absoluteString());
    ASSERT_TRUE(u.has_value());
    EXPECT_EQ(u->rawPath(), path);
  }
  EXPECT_EQ(Url::parse("file://localhost/tmp/x")->path(), "/tmp/x");
}

TEST(UrlTest, RefusesWhatIsNotAnAbsoluteFileURL) {
  EXPECT_FALSE(Url::parse("/tmp/x").has_value());
  EXPECT_FALSE(Url::parse("https://example.com/x").has_value());
  EXPECT_FALSE(Url::parse("file://relative/x").has_value());
  EXPECT_FALSE(Url::parse("file:///bad%2").has_value());
  EXPECT_FALSE(Url::parse("file:///bad%zz").has_value());
  EXPECT_FALSE(Url::parse("file:///nul%00byte").has_value());
}

TEST(UrlTest, ComponentsIgnoreTrailingSlash) {
  Url folder = Url::fileURL("/Users/me/Library/Caches/com.example.app/");
  EXPECT_EQ(folder.lastPathComponent(), "com.example.app");
  EXPECT_EQ(folder.path(), "/Users/me/Library/Caches/com.example.app");
  EXPECT_EQ(folder.pathExtension(), "app");
  EXPECT_EQ(folder.deletingLastPathComponent().path(), "/Users/me/Library/Caches");
  EXPECT_EQ(Url::fileURL("/").lastPathComponent(), "/");
  EXPECT_EQ(Url::fileURL("/a/.hidden").pathExtension(), "");
  EXPECT_EQ(Url::fileURL("/a").appending("b c").path(), "/a/b c");
  EXPECT_EQ(url::pathComponents("/a//b/"), (std::vector<std::string>{"/", "a", "b"}));
}

}  // namespace
}  // namespace corvane

namespace corvane {
namespace {

TEST(UrlTest, StandardizingRemovesDotSegmentsWithoutResolvingLinks) {
  EXPECT_EQ(url::standardizedPath("/a/./b/../c/"), "/a/c");
  EXPECT_EQ(url::standardizedPath("/../x"), "/x");
  EXPECT_EQ(url::standardizedPath("//Applications///Foo.app"), "/Applications/Foo.app");
  EXPECT_EQ(url::standardizedPath("/"), "/");
  EXPECT_EQ(Url::fileURL("/Volumes/Ext/./Applications/../X.app").standardized().path(), "/Volumes/Ext/X.app");
}

}  // namespace
}  // namespace corvane
