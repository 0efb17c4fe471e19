#include "platform/fs_ops.h"

#include <gtest/gtest.h>

namespace corvane::platform {
namespace {

TEST(FsOpsTest, SplitsAbsolutePathsIntoParentAndName) {
  auto split = splitPath("/a/b/");
  ASSERT_TRUE(split.has_value());
  EXPECT_EQ(split->parent, "/a");
  EXPECT_EQ(split->name, "b");
  split = splitPath("//top");
  ASSERT_TRUE(split.has_value());
  EXPECT_EQ(split->parent, "/");
  EXPECT_EQ(split->name, "top");
  for (const char* refused : {"", "/", "///", "relative/x", "/a/..", "/a/."}) {
    SCOPED_TRACE(refused);
    EXPECT_FALSE(splitPath(refused).has_value());
  }
}

}  // namespace
}  // namespace corvane::platform
