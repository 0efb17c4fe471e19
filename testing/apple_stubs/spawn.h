// The system's <spawn.h> plus Apple's inheritance controls; see README.md.
#pragma once
#include_next <spawn.h>

#define POSIX_SPAWN_CLOEXEC_DEFAULT 0x4000  // <sys/spawn.h>
extern "C" int posix_spawn_file_actions_addinherit_np(posix_spawn_file_actions_t*, int);  // <spawn.h>
