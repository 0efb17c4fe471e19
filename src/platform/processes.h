#pragma once
// The programs the current user is running.

#include <string>
#include <vector>

namespace corvane::platform {

// The executable file of every process of the current user (absolute paths; unreadable ones left out).
std::vector<std::string> runningExecutablePaths();

}  // namespace corvane::platform
