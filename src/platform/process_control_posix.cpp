#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/processes.h"
#include "platform/retry.h"

extern char** environ;

namespace corvane::platform {

Result<int> startProcess(const std::string& executable, const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  std::vector<std::string> storage = arguments;
  storage.insert(storage.begin(), executable);
  for (auto& a : storage) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (int error = ::posix_spawn(&pid, executable.c_str(), nullptr, nullptr, argv.data(), environ); error != 0)
    return Error::fromErrno(error, "posix_spawn", executable);
  return static_cast<int>(pid);
}

void stopProcess(int pid) {
  if (pid <= 0) return;
  ::kill(static_cast<pid_t>(pid), SIGKILL);
  retryAfterSignal(::waitpid, static_cast<pid_t>(pid), nullptr, 0);
}

int currentProcessId() { return static_cast<int>(::getpid()); }

bool processExists(int pid) {
  if (pid <= 0) return false;
  // A process owned by someone else still answers, with EPERM.
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

}  // namespace corvane::platform
