// The system's <unistd.h> plus the Apple-only calls of Apple's <unistd.h> and of the <sys/unistd.h> it
// includes, with their 64-bit signatures. See README.md.
#pragma once
#include_next <unistd.h>
#include <stdint.h>

extern "C" {
int getattrlist(const char*, void*, void*, size_t, unsigned int);  // <unistd.h>
int setattrlistat(int, const char*, void*, void*, size_t, uint32_t);  // <sys/unistd.h>
}
