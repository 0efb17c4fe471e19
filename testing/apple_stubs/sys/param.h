// MAXPATHLEN as on macOS; see ../README.md.
#pragma once
#define MAXPATHLEN 1024  // <sys/param.h>
