// struct statfs (64-bit inodes), the mount flags and getmntinfo_r_np(3); replaces the Linux header. The
// host's <sys/types.h> owns the name fsid_t, so Apple's fsid_t is spelt fsid_t_apple here. See ../README.md.
#pragma once
#include <stdint.h>
#include <sys/param.h>
#include <sys/types.h>

#define MFSTYPENAMELEN 16  // <sys/mount.h>
typedef struct {  // <sys/_types/_fsid_t.h>
  int32_t val[2];  // <sys/_types/_fsid_t.h>
} fsid_t_apple;  // <sys/_types/_fsid_t.h>

struct statfs {  // <sys/mount.h>
  uint32_t f_bsize;  // <sys/mount.h>
  int32_t f_iosize;  // <sys/mount.h>
  uint64_t f_blocks;  // <sys/mount.h>
  uint64_t f_bfree;  // <sys/mount.h>
  uint64_t f_bavail;  // <sys/mount.h>
  uint64_t f_files;  // <sys/mount.h>
  uint64_t f_ffree;  // <sys/mount.h>
  fsid_t_apple f_fsid;  // <sys/mount.h>
  uid_t f_owner;  // <sys/mount.h>
  uint32_t f_type;  // <sys/mount.h>
  uint32_t f_flags;  // <sys/mount.h>
  uint32_t f_fssubtype;  // <sys/mount.h>
  char f_fstypename[MFSTYPENAMELEN];  // <sys/mount.h>
  char f_mntonname[MAXPATHLEN];  // <sys/mount.h>
  char f_mntfromname[MAXPATHLEN];  // <sys/mount.h>
  uint32_t f_flags_ext;  // <sys/mount.h>
  uint32_t f_reserved[7];  // <sys/mount.h>
};

#define MNT_RDONLY 0x00000001  // <sys/mount.h>
#define MNT_LOCAL 0x00001000  // <sys/mount.h>
#define MNT_DONTBROWSE 0x00100000  // <sys/mount.h>
#define MNT_NOWAIT 2  // <sys/mount.h>

extern "C" int getmntinfo_r_np(struct statfs** mntbufp, int flags);  // <sys/mount.h>
