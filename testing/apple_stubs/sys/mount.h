// struct statfs, the mount flags and getmntinfo_r_np(3) as documented for macOS; replaces the Linux
// header. See ../README.md.
#pragma once
#include <stdint.h>
#include <sys/param.h>
#include <sys/types.h>

#define MFSTYPENAMELEN 16
typedef struct {
  int32_t val[2];
} fsid_t_apple;

struct statfs {
  uint32_t f_bsize;
  int32_t f_iosize;
  uint64_t f_blocks;
  uint64_t f_bfree;
  uint64_t f_bavail;
  uint64_t f_files;
  uint64_t f_ffree;
  fsid_t_apple f_fsid;
  uid_t f_owner;
  uint32_t f_type;
  uint32_t f_flags;
  uint32_t f_fssubtype;
  char f_fstypename[MFSTYPENAMELEN];
  char f_mntonname[MAXPATHLEN];
  char f_mntfromname[MAXPATHLEN];
  uint32_t f_flags_ext;
  uint32_t f_reserved[7];
};

#define MNT_RDONLY 0x00000001
#define MNT_LOCAL 0x00001000
#define MNT_DONTBROWSE 0x00100000
#define MNT_NOWAIT 2

extern "C" int getmntinfo_r_np(struct statfs** mntbufp, int flags);
