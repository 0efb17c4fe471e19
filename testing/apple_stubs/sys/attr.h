// The attribute lists of getattrlist(2) and setattrlistat(2): types and constants only, as in Apple's header
// (the calls themselves are declared in <unistd.h>). See ../README.md.
#pragma once
#include <stddef.h>
#include <stdint.h>
#include <sys/types.h>

typedef uint32_t attrgroup_t;  // <sys/attr.h>
struct attrlist {  // <sys/attr.h>
  u_short bitmapcount;  // <sys/attr.h>
  uint16_t reserved;  // <sys/attr.h>
  attrgroup_t commonattr;  // <sys/attr.h>
  attrgroup_t volattr;  // <sys/attr.h>
  attrgroup_t dirattr;  // <sys/attr.h>
  attrgroup_t fileattr;  // <sys/attr.h>
  attrgroup_t forkattr;  // <sys/attr.h>
};
typedef struct attrreference {  // <sys/attr.h>
  int32_t attr_dataoffset;  // <sys/attr.h>
  uint32_t attr_length;  // <sys/attr.h>
} attrreference_t;  // <sys/attr.h>

typedef struct attribute_set {  // <sys/attr.h>
  attrgroup_t commonattr;  // <sys/attr.h>
  attrgroup_t volattr;  // <sys/attr.h>
  attrgroup_t dirattr;  // <sys/attr.h>
  attrgroup_t fileattr;  // <sys/attr.h>
  attrgroup_t forkattr;  // <sys/attr.h>
} attribute_set_t;  // <sys/attr.h>

#define ATTR_BIT_MAP_COUNT 5  // <sys/attr.h>
#define ATTR_CMN_FLAGS 0x00040000  // <sys/attr.h>
#define ATTR_CMN_ADDEDTIME 0x10000000  // <sys/attr.h>
#define ATTR_CMN_RETURNED_ATTRS 0x80000000  // <sys/attr.h>
#define FSOPT_NOFOLLOW 0x00000001  // <sys/attr.h>
#define ATTR_VOL_NAME 0x00002000  // <sys/attr.h>
#define ATTR_VOL_INFO 0x80000000  // <sys/attr.h>
