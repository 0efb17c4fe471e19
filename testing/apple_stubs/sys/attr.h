// getattrlist(2) with the volume-name and added-time attributes, as documented; see ../README.md.
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
#define ATTR_CMN_ADDEDTIME 0x10000000
#define ATTR_CMN_RETURNED_ATTRS 0x80000000
#define FSOPT_NOFOLLOW 0x00000001
#define ATTR_VOL_NAME 0x00002000
#define ATTR_VOL_INFO 0x80000000

extern "C" int getattrlist(const char* path, struct attrlist* attrList, void* attrBuf, size_t attrBufSize,
                           unsigned long options);
