// The live machine's layout, through the public header an app includes.
#include "corvane/platform/system_layout.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

namespace corvane {
namespace {

TEST(SystemLayoutTest, IsTheRootTheCurrentUsersHomeAndId) {
  const Layout layout = platform::systemLayout();
  EXPECT_EQ(layout.root, "/");
  EXPECT_EQ(layout.userID, static_cast<unsigned>(::getuid()));
  if (const char* home = std::getenv("HOME"); home && *home) {
    EXPECT_EQ(layout.home, home);
  }
  EXPECT_EQ(layout.applications(), "/Applications");
  EXPECT_EQ(layout.userLibrary(), layout.home + "/Library");
}

}  // namespace
}  // namespace corvane
