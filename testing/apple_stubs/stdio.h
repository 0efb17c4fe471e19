// The system's <stdio.h> plus renameatx_np(2), which Apple's <stdio.h> takes from <sys/stdio.h>; see README.md.
#pragma once
#include_next <stdio.h>

#define RENAME_EXCL 0x00000004  // <sys/stdio.h>
extern "C" int renameatx_np(int, const char*, int, const char*, unsigned int);  // <sys/stdio.h>
