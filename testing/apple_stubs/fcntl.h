// openat(2), fcntl(2) with F_SETFD, and the open flags Corvane passes, as documented for macOS; replaces the Linux header. See
// README.md.
#pragma once

#define O_RDONLY 0x0000
#define O_NOFOLLOW 0x00000100
#define O_SYMLINK 0x00200000
#define O_CLOEXEC 0x01000000
#define O_DIRECTORY 0x00100000
#define O_EXEC 0x40000000
#define O_SEARCH (O_EXEC | O_DIRECTORY)
#define AT_FDCWD -2
#define F_SETFD 2
#define FD_CLOEXEC 1
#define AT_SYMLINK_NOFOLLOW 0x0020

extern "C" int openat(int fd, const char* path, int oflag, ...);
extern "C" int fcntl(int fd, int cmd, ...);
