#pragma once
// The programs the current user is running.

#include <string>
#include <vector>

#include "corvane/base/result.h"

namespace corvane::platform {

// The executable file of every process of the current user (absolute paths; unreadable ones left out).
std::vector<std::string> runningExecutablePaths();

// Starts a program that keeps running on its own (for tests and tools); its process id, or the error of
// posix_spawn.
Result<int> startProcess(const std::string& executable, const std::vector<std::string>& arguments);
// Kills a process started by startProcess and waits for it to end.
void stopProcess(int pid);

// This process's id.
int currentProcessId();
// Whether a process with this id exists (running, stopped or not yet waited for).
bool processExists(int pid);

}  // namespace corvane::platform
