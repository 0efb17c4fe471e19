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

// A volume that cannot rename without the risk of replacing gives a clear refusal, never a plain rename.
TEST(FsOpsTest, AnExclusiveRenameTheVolumeCannotDoIsAClearRefusal) {
  for (int code : {ENOTSUP, ENOSYS}) {
    SCOPED_TRACE(code);
    EXPECT_EQ(exclusiveRenameError(code, "Foo.app"), (Error{ENOTSUP, "rename", "Foo.app", kNoExclusiveRename}));
  }
  EXPECT_EQ(exclusiveRenameError(EEXIST, "Foo.app"), Error::fromErrno(EEXIST, "rename", "Foo.app"));
  EXPECT_EQ(exclusiveRenameError(ENOTSUP, "Foo.app").describe(),
            "rename Foo.app: This volume cannot move an item without the risk of replacing another, so nothing was "
            "moved.");
}

}  // namespace
}  // namespace corvane::platform
