// lstat(2) and struct stat as Apple declares them for 64-bit inodes, with the type macros and the file flags
// Corvane reads; replaces the Linux header. The <sys/types.h> types (dev_t, mode_t, ...) are the host's: the
// fields are checked by the names Apple gives their types, not by those types' widths. See ../README.md.
#pragma once
#include <stdint.h>
#include <sys/types.h>
#include <time.h>

struct stat {  // <sys/stat.h>
  dev_t st_dev;  // <sys/stat.h>
  mode_t st_mode;  // <sys/stat.h>
  nlink_t st_nlink;  // <sys/stat.h>
  ino_t st_ino;  // <sys/stat.h>
  uid_t st_uid;  // <sys/stat.h>
  gid_t st_gid;  // <sys/stat.h>
  dev_t st_rdev;  // <sys/stat.h>
  struct timespec st_atimespec;  // <sys/stat.h>
  struct timespec st_mtimespec;  // <sys/stat.h>
  struct timespec st_ctimespec;  // <sys/stat.h>
  struct timespec st_birthtimespec;  // <sys/stat.h>
  off_t st_size;  // <sys/stat.h>
  blkcnt_t st_blocks;  // <sys/stat.h>
  blksize_t st_blksize;  // <sys/stat.h>
  uint32_t st_flags;  // <sys/stat.h>
  uint32_t st_gen;  // <sys/stat.h>
  int32_t st_lspare;  // <sys/stat.h>
  int64_t st_qspare[2];  // <sys/stat.h>
};

#define S_IFMT 0170000  // <sys/stat.h>
#define S_IFDIR 0040000  // <sys/stat.h>
#define S_IFREG 0100000  // <sys/stat.h>
#define S_IFLNK 0120000  // <sys/stat.h>
#define S_ISDIR(m) (((m) & S_IFMT) == S_IFDIR)  // <sys/stat.h>
#define S_ISREG(m) (((m) & S_IFMT) == S_IFREG)  // <sys/stat.h>
#define S_ISLNK(m) (((m) & S_IFMT) == S_IFLNK)  // <sys/stat.h>

#define UF_HIDDEN 0x00008000  // <sys/stat.h>
#define SF_DATALESS 0x40000000  // <sys/stat.h>

extern "C" int lstat(const char*, struct stat*);  // <sys/stat.h>
