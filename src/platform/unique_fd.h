#pragma once
// The owner of a file descriptor: every descriptor the platform layer opens is held by one.

namespace corvane::platform {

// Move-only; closes its descriptor once when destroyed or reset, and never retries close (the descriptor
// is gone whatever close reports).
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { reset(); }
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Gives the descriptor up without closing it.
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }
  // Closes the held descriptor, if any, and holds `fd` instead.
  void reset(int fd = -1);

 private:
  int fd_ = -1;
};

}  // namespace corvane::platform
