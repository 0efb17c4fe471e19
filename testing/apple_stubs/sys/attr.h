// The attribute lists of getattrlist(2) and setattrlistat(2): types and constants only, as in Apple's header
// (the calls themselves are declared in <unistd.h>). See ../README.md.
#pragma once
#include <stddef.h>
#include <stdint.h>
#include <sys/types.h>

typedef uint32_t attrgroup_t;
struct attrlist {
  u_short bitmapcount;
  uint16_t reserved;
  attrgroup_t commonattr;
  attrgroup_t volattr;
  attrgroup_t dirattr;
  attrgroup_t fileattr;
  attrgroup_t forkattr;
};
typedef struct attrreference {
  int32_t attr_dataoffset;
  uint32_t attr_length;
} attrreference_t;

typedef struct attribute_set {
  attrgroup_t commonattr;
  attrgroup_t volattr;
  attrgroup_t dirattr;
  attrgroup_t fileattr;
  attrgroup_t forkattr;
} attribute_set_t;

#define ATTR_BIT_MAP_COUNT 5
#define ATTR_CMN_FLAGS 0x00040000
#define ATTR_CMN_ADDEDTIME 0x10000000
#define ATTR_CMN_RETURNED_ATTRS 0x80000000
#define FSOPT_NOFOLLOW 0x00000001
#define ATTR_VOL_NAME 0x00002000
#define ATTR_VOL_INFO 0x80000000

