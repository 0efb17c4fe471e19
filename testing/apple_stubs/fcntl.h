// open(2)/openat(2) as documented for macOS, with the O_SYMLINK flag; replaces the Linux header (whose
// own struct stat would clash with ours). See README.md.
#pragma once

#define O_RDONLY 0x0000
#define O_NOFOLLOW 0x0100
#define O_CLOEXEC 0x01000000
#define O_SYMLINK 0x00200000
#define F_SETFD 2
#define FD_CLOEXEC 1

extern "C" int openat(int fd, const char* path, int oflag, ...);
extern "C" int fcntl(int fildes, int cmd, ...);
