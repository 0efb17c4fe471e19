// fcopyfile(3) and the flags Corvane passes; see README.md.
#pragma once
#include <stdint.h>

typedef struct _copyfile_state* copyfile_state_t;  // <copyfile.h>
typedef uint32_t copyfile_flags_t;  // <copyfile.h>
#define COPYFILE_XATTR (1 << 2)  // <copyfile.h>
#define COPYFILE_DATA (1 << 3)  // <copyfile.h>

extern "C" int fcopyfile(int from, int to, copyfile_state_t state, copyfile_flags_t flags);  // <copyfile.h>
