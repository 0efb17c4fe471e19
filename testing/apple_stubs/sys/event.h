// kqueue(2), kevent(2), EV_SET and the vnode filter's flags, as documented for macOS (<sys/event.h>); see
// README.md.
#pragma once
#include <stdint.h>
#include <time.h>

struct kevent {
  uintptr_t ident;
  int16_t filter;
  uint16_t flags;
  uint32_t fflags;
  intptr_t data;
  void* udata;
};

#define EVFILT_VNODE (-4)
#define EV_ADD 0x0001
#define EV_CLEAR 0x0020
#define NOTE_DELETE 0x00000001
#define NOTE_WRITE 0x00000002
#define NOTE_RENAME 0x00000020
#define NOTE_REVOKE 0x00000040

#define EV_SET(kevp, a, b, c, d, e, f) \
  do {                                 \
    struct kevent* kevp_ = (kevp);     \
    kevp_->ident = (a);                \
    kevp_->filter = (b);               \
    kevp_->flags = (c);                \
    kevp_->fflags = (d);               \
    kevp_->data = (e);                 \
    kevp_->udata = (f);                \
  } while (0)

extern "C" int kqueue(void);
extern "C" int kevent(int kq, const struct kevent* changelist, int nchanges, struct kevent* eventlist, int nevents,
                      const struct timespec* timeout);
