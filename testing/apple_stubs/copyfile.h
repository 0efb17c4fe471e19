// fcopyfile(3) and the flags Corvane passes, as documented; see README.md.
#pragma once
#include <stdint.h>

typedef struct _copyfile_state* copyfile_state_t;
typedef uint32_t copyfile_flags_t;
#define COPYFILE_XATTR (1 << 2)
#define COPYFILE_DATA (1 << 3)

extern "C" int fcopyfile(int from, int to, copyfile_state_t state, copyfile_flags_t flags);
