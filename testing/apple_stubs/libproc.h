// The process calls of <libproc.h> and what they take from <sys/proc_info.h>; see README.md.
#pragma once
#include <stdint.h>
#include <sys/param.h>

#define PROC_UID_ONLY 4  // <sys/proc_info.h>
#define PROC_PIDTASKINFO 4  // <sys/proc_info.h>
#define PROC_PIDPATHINFO_MAXSIZE (4 * MAXPATHLEN)  // <sys/proc_info.h>

struct proc_taskinfo {  // <sys/proc_info.h>
  uint64_t pti_virtual_size;  // <sys/proc_info.h>
  uint64_t pti_resident_size;  // <sys/proc_info.h>
  uint64_t pti_total_user;  // <sys/proc_info.h>
  uint64_t pti_total_system;  // <sys/proc_info.h>
  uint64_t pti_threads_user;  // <sys/proc_info.h>
  uint64_t pti_threads_system;  // <sys/proc_info.h>
  int32_t pti_policy;  // <sys/proc_info.h>
  int32_t pti_faults;  // <sys/proc_info.h>
  int32_t pti_pageins;  // <sys/proc_info.h>
  int32_t pti_cow_faults;  // <sys/proc_info.h>
  int32_t pti_messages_sent;  // <sys/proc_info.h>
  int32_t pti_messages_received;  // <sys/proc_info.h>
  int32_t pti_syscalls_mach;  // <sys/proc_info.h>
  int32_t pti_syscalls_unix;  // <sys/proc_info.h>
  int32_t pti_csw;  // <sys/proc_info.h>
  int32_t pti_threadnum;  // <sys/proc_info.h>
  int32_t pti_numrunning;  // <sys/proc_info.h>
  int32_t pti_priority;  // <sys/proc_info.h>
};

extern "C" {
int proc_listpids(uint32_t type, uint32_t typeinfo, void* buffer, int buffersize);  // <libproc.h>
int proc_pidinfo(int pid, int flavor, uint64_t arg, void* buffer, int buffersize);  // <libproc.h>
int proc_pidpath(int pid, void* buffer, uint32_t buffersize);  // <libproc.h>
}
