// kqueue(2), kevent(2) and the vnode filter's flags, as Apple's <sys/event.h> declares them; see README.md.
#pragma once
#include <stdint.h>
#include <time.h>

struct kevent {  // <sys/event.h>
  uintptr_t ident;  // <sys/event.h>
  int16_t filter;  // <sys/event.h>
  uint16_t flags;  // <sys/event.h>
  uint32_t fflags;  // <sys/event.h>
  intptr_t data;  // <sys/event.h>
  void* udata;  // <sys/event.h>
};

#define EVFILT_VNODE (-4)  // <sys/event.h>
#define EV_ADD 0x0001  // <sys/event.h>
#define EV_CLEAR 0x0020  // <sys/event.h>
#define NOTE_DELETE 0x00000001  // <sys/event.h>
#define NOTE_WRITE 0x00000002  // <sys/event.h>
#define NOTE_RENAME 0x00000020  // <sys/event.h>
#define NOTE_REVOKE 0x00000040  // <sys/event.h>

extern "C" int kqueue(void);  // <sys/event.h>
extern "C" int kevent(int, const struct kevent*, int, struct kevent*, int, const struct timespec*);  // <sys/event.h>
