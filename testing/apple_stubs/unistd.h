// The system's <unistd.h> plus fchflags(2) as documented; see README.md.
#pragma once
#include_next <unistd.h>

extern "C" int fchflags(int fd, unsigned int flags);
