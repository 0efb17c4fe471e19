#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/pipe.h"
#include "platform/process.h"
#include "platform/retry.h"
#include "platform/unique_fd.h"

extern char** environ;

namespace corvane::platform {

namespace {

class FileActions {
 public:
  FileActions() { error_ = ::posix_spawn_file_actions_init(&actions_); }
  ~FileActions() {
    if (error_ == 0) ::posix_spawn_file_actions_destroy(&actions_);
  }
  FileActions(const FileActions&) = delete;
  FileActions& operator=(const FileActions&) = delete;
  int initError() const { return error_; }
  posix_spawn_file_actions_t* get() { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_{};
  int error_ = 0;
};

class SpawnAttributes {
 public:
  SpawnAttributes() { error_ = ::posix_spawnattr_init(&attributes_); }
  ~SpawnAttributes() {
    if (error_ == 0) ::posix_spawnattr_destroy(&attributes_);
  }
  SpawnAttributes(const SpawnAttributes&) = delete;
  SpawnAttributes& operator=(const SpawnAttributes&) = delete;
  int initError() const { return error_; }
  posix_spawnattr_t* get() { return &attributes_; }

 private:
  posix_spawnattr_t attributes_{};
  int error_ = 0;
};

ProcessOutcome launchFailed(const std::string& executable, int error) {
  ProcessOutcome outcome;
  outcome.launchError = error;
  outcome.launchFailure = "The tool " + executable + " could not be launched: " + std::strerror(error);
  return outcome;
}

// The child starts with no blocked signals and with SIGPIPE at its default, whatever this process set,
// and inherits only the descriptors it is given.
int prepareAttributes(SpawnAttributes& attributes, FileActions& actions) {
  short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
  if (Status limited = limitInheritedDescriptors(flags, actions.get()); !limited.has_value())
    return limited.error().code;
  sigset_t none;
  sigset_t defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  int error = ::posix_spawnattr_setsigmask(attributes.get(), &none);
  if (error == 0) error = ::posix_spawnattr_setsigdefault(attributes.get(), &defaults);
  if (error == 0) error = ::posix_spawnattr_setflags(attributes.get(), flags);
  return error;
}

int prepareActions(FileActions& actions, int writeEnd, ErrorStream errors) {
  int error = ::posix_spawn_file_actions_adddup2(actions.get(), writeEnd, STDOUT_FILENO);
  if (error != 0) return error;
  if (errors == ErrorStream::intoOutput)
    return ::posix_spawn_file_actions_adddup2(actions.get(), writeEnd, STDERR_FILENO);
  return ::posix_spawn_file_actions_addopen(actions.get(), STDERR_FILENO, "/dev/null", O_WRONLY, 0);
}

}  // namespace

std::vector<std::uint8_t> readToEOF(int fd, const ReadCall& read) {
  std::vector<std::uint8_t> buffer(kReadChunkSize, 0);
  std::vector<std::uint8_t> output;
  auto readOnce = [&] {
    int error = 0;
    long count = read(fd, buffer.data(), buffer.size(), error);
    if (count < 0) errno = error;
    return count;
  };
  for (;;) {
    long count = retryAfterSignal(readOnce);
    if (count <= 0) break;  // end of file, or an error other than an interruption
    output.insert(output.end(), buffer.begin(), buffer.begin() + count);
  }
  return output;
}

std::vector<std::uint8_t> readToEOF(int fd) {
  return readToEOF(fd, [](int descriptor, std::uint8_t* buffer, std::size_t size, int& error) -> long {
    ssize_t count = ::read(descriptor, buffer, size);
    if (count < 0) error = errno;
    return static_cast<long>(count);
  });
}

ProcessOutcome runProcess(const std::string& executable, const std::vector<std::string>& arguments,
                          ErrorStream errors) {
  int fds[2] = {-1, -1};
  if (Status opened = openCloseOnExecPipe(fds); !opened.has_value()) return launchFailed(executable, opened.error().code);
  UniqueFd readEnd(fds[0]);
  UniqueFd writeEnd(fds[1]);

  FileActions actions;
  if (actions.initError() != 0) return launchFailed(executable, actions.initError());
  if (int error = prepareActions(actions, writeEnd.get(), errors); error != 0)
    return launchFailed(executable, error);
  SpawnAttributes attributes;
  if (attributes.initError() != 0) return launchFailed(executable, attributes.initError());
  if (int error = prepareAttributes(attributes, actions); error != 0) return launchFailed(executable, error);

  std::vector<char*> argv;
  argv.reserve(arguments.size() + 2);
  argv.push_back(const_cast<char*>(executable.c_str()));
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  pid_t pid = 0;
  int spawnError = ::posix_spawn(&pid, executable.c_str(), actions.get(), attributes.get(), argv.data(), environ);
  // The child holds its own copy of the write end; ours must go so that end of file can arrive.
  writeEnd.reset();
  if (spawnError != 0) return launchFailed(executable, spawnError);

  ProcessOutcome outcome;
  outcome.output = readToEOF(readEnd.get());
  readEnd.reset();

  int waitStatus = 0;
  pid_t waited = retryAfterSignal(::waitpid, pid, &waitStatus, 0);
  if (waited != pid) return outcome;  // status stays -1: the child's end could not be observed
  if (WIFEXITED(waitStatus)) {
    outcome.status = WEXITSTATUS(waitStatus);
  } else if (WIFSIGNALED(waitStatus)) {
    outcome.terminatingSignal = WTERMSIG(waitStatus);
    outcome.status = 128 + outcome.terminatingSignal;
  }
  return outcome;
}

}  // namespace corvane::platform
