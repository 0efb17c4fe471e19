#pragma once
// Running a child process: launched from an executable path and an argument vector (no shell), its
// standard output read through a pipe to end of file, then waited for.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace corvane::platform {

// Where the child's standard error goes.
enum class ErrorStream {
  discarded,       // the null device
  intoOutput,      // the same pipe as standard output, interleaved as written
};

struct ProcessOutcome {
  // errno of a failed launch (missing file, not executable, ...); 0 when the process ran.
  int launchError = 0;
  // A sentence saying why the launch failed; empty when the process ran.
  std::string launchFailure;
  // Everything the child wrote to the pipe.
  std::vector<std::uint8_t> output;
  // The exit code; 128 + the signal's number for a child killed by a signal; -1 when the process could
  // not be launched or waited for.
  int status = -1;
  // The signal that ended the child, 0 when it exited.
  int terminatingSignal = 0;
};

// Launches `executable` with argv = executable + arguments, the caller's environment and working
// directory and standard input; standard output goes to a pipe (close-on-exec in this process, so no
// other child inherits it), standard error as `errors` says. Reads the pipe to end of file, then waits.
ProcessOutcome runProcess(const std::string& executable, const std::vector<std::string>& arguments,
                          ErrorStream errors);

// One read(2): the count read, 0 at end of file, or -1 with `error` set to errno.
using ReadCall = std::function<long(int fd, std::uint8_t* buffer, std::size_t size, int& error)>;

inline constexpr std::size_t kReadChunkSize = 65536;

// Reads `fd` to end of file with one 65,536-byte buffer: an interrupted read (EINTR) is retried, any
// other error stops the reading and keeps what was read so far.
std::vector<std::uint8_t> readToEOF(int fd);
// The same through `read`, so that tests can interrupt or fail it part-way.
std::vector<std::uint8_t> readToEOF(int fd, const ReadCall& read);

}  // namespace corvane::platform
