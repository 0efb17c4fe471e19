// The system's <spawn.h> plus Apple's inheritance controls, as documented in posix_spawnattr_setflags(3)
// and posix_spawn_file_actions_addinherit_np(3); see README.md.
#pragma once
#include_next <spawn.h>

#define POSIX_SPAWN_CLOEXEC_DEFAULT 0x4000
extern "C" int posix_spawn_file_actions_addinherit_np(posix_spawn_file_actions_t* file_actions, int filedes);
