// The system's <stdio.h> plus renameatx_np(2) as documented; see README.md.
#pragma once
#include_next <stdio.h>

#define RENAME_EXCL 0x00000004
extern "C" int renameatx_np(int fromfd, const char* from, int tofd, const char* to, unsigned int flags);
