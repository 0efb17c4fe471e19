// lstat(2), fstatat(2) and struct stat as documented for macOS (64-bit inodes), with the type macros and
// the UF_HIDDEN, UF_IMMUTABLE, UF_APPEND and SF_DATALESS flags of chflags(2); replaces the Linux header. See
// ../README.md.
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

#define S_IFMT 0170000
#define S_IFDIR 0040000
#define S_IFREG 0100000
#define S_IFLNK 0120000
#define S_ISDIR(m) (((m) & S_IFMT) == S_IFDIR)
#define S_ISREG(m) (((m) & S_IFMT) == S_IFREG)
#define S_ISLNK(m) (((m) & S_IFMT) == S_IFLNK)

#define UF_IMMUTABLE 0x00000002
#define UF_APPEND 0x00000004
#define UF_HIDDEN 0x00008000
#define SF_DATALESS 0x40000000

extern "C" int lstat(const char* path, struct stat* buf);
extern "C" int fstatat(int fd, const char* path, struct stat* buf, int flag);
