#include <gtest/gtest.h>

#include "platform/mounted_volumes.h"

namespace corvane::platform {
namespace {

TEST(MountInfoTest, ReadsMountPointsFlagsAndSkipsPseudoFileSystems) {
  const std::string text =
      "21 26 0:20 / /proc rw,relatime - proc proc rw\n"
      "26 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
      "40 26 8:17 / /Volumes/My\\040Disk rw,nosuid shared:7 master:2 - exfat /dev/sdb1 rw,uid=0\n"
      "41 26 8:18 / /media/ro-disk ro,relatime - ext4 /dev/sdb2 rw\n"
      "42 26 8:19 / /media/super-ro rw,relatime - ext4 /dev/sdb3 ro,errors=continue\n"
      "43 26 0:50 / /mnt/share rw - nfs4 server:/export rw\n"
      "44 26 0:51 / /mnt/broken rw no-separator ext4\n"
      "45 26 0:52 / relative rw - ext4 /dev/sdc rw\n"
      "\n"
      "46 26 0:53 / /mnt/back\\134slash\\99 rw - tmpfs tmpfs rw";
  std::vector<MountedVolume> expected = {
      {"/", std::nullopt, true, true, false},
      {"/Volumes/My Disk", std::nullopt, true, true, false},
      {"/media/ro-disk", std::nullopt, true, true, true},
      {"/media/super-ro", std::nullopt, true, true, true},
      {"/mnt/share", std::nullopt, true, false, false},
      {"/mnt/back\\slash\\99", std::nullopt, true, true, false},
  };
  EXPECT_EQ(parseMountInfo(text), expected);
  EXPECT_TRUE(parseMountInfo("").empty());
  EXPECT_TRUE(parseMountInfo("1 2 3 4 - x").empty());
}

}  // namespace
}  // namespace corvane::platform
