// fcntl(2), openat(2) and the flags Corvane passes, as Apple's <fcntl.h> takes them from <sys/fcntl.h>;
// replaces the Linux header. See README.md.
#pragma once

#define O_RDONLY 0x0000  // <sys/fcntl.h>
#define O_EVTONLY 0x00008000  // <sys/fcntl.h>
#define O_NOFOLLOW 0x00000100  // <sys/fcntl.h>
#define O_DIRECTORY 0x00100000  // <sys/fcntl.h>
#define O_CLOEXEC 0x01000000  // <sys/fcntl.h>
#define O_EXEC 0x40000000  // <sys/fcntl.h>
#define O_SEARCH (O_EXEC | O_DIRECTORY)  // <sys/fcntl.h>
#define AT_FDCWD -2  // <sys/fcntl.h>
#define F_GETFD 1  // <sys/fcntl.h>
#define F_SETFD 2  // <sys/fcntl.h>
#define F_DUPFD_CLOEXEC 67  // <sys/fcntl.h>
#define FD_CLOEXEC 1  // <sys/fcntl.h>

extern "C" int fcntl(int, int, ...);  // <sys/fcntl.h>
extern "C" int openat(int, const char*, int, ...);  // <sys/fcntl.h>
