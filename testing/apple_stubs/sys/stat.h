// lstat(2) and struct stat as documented for macOS (64-bit inodes), with the UF_HIDDEN and SF_DATALESS
// flags of chflags(2); replaces the Linux header. See ../README.md.
#pragma once
#include <stdint.h>
#include <sys/types.h>
#include <time.h>

struct stat {
  dev_t st_dev;
  mode_t st_mode;
  nlink_t st_nlink;
  ino_t st_ino;
  uid_t st_uid;
  gid_t st_gid;
  dev_t st_rdev;
  struct timespec st_atimespec;
  struct timespec st_mtimespec;
  struct timespec st_ctimespec;
  struct timespec st_birthtimespec;
  off_t st_size;
  blkcnt_t st_blocks;
  blksize_t st_blksize;
  uint32_t st_flags;
  uint32_t st_gen;
};

#define UF_HIDDEN 0x00008000
#define SF_DATALESS 0x40000000

extern "C" int lstat(const char* path, struct stat* buf);
