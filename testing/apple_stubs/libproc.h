// The process listing calls of <libproc.h> as documented; see README.md.
#pragma once
#include <stdint.h>
#include <sys/param.h>

#define PROC_UID_ONLY 6
#define PROC_PIDPATHINFO_MAXSIZE (4 * MAXPATHLEN)

extern "C" {
int proc_listpids(uint32_t type, uint32_t typeinfo, void* buffer, int buffersize);
int proc_pidpath(int pid, void* buffer, uint32_t buffersize);
}
