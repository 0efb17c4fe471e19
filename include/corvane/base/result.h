#pragma once
// Result<T>: a value or an Error, with std::expected's names so it can be swapped later.
// It is a plain struct underneath (an optional value beside an error), so that callers in other
// languages read it without a variant: has_value() says which of the two holds.

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

namespace corvane {

// What went wrong: the errno exactly as the system gave it (0 when no system call failed),
// the operation that failed and the path it was working on.
struct Error {
  int code = 0;
  std::string operation;
  std::string path;
  std::string message;

  // One line for people: "operation path: message".
  std::string describe() const;

  static Error fromErrno(int code, std::string operation, std::string path = {});
  static Error invalid(std::string message, std::string path = {});

  bool operator==(const Error&) const = default;
};

template <class T>
class [[nodiscard]] Result {
 public:
  Result(T value) : value_(std::move(value)) {}    // NOLINT: implicit by design
  Result(Error error) : error_(std::move(error)) {}  // NOLINT

  bool has_value() const { return value_.has_value(); }

  T& value() & {
    if (!has_value()) std::abort();
    return *value_;
  }
  const T& value() const& {
    if (!has_value()) std::abort();
    return *value_;
  }
  T&& value() && {
    if (!has_value()) std::abort();
    return std::move(*value_);
  }
  const Error& error() const {
    if (has_value()) std::abort();
    return error_;
  }
  template <class U>
  T value_or(U&& fallback) const& {
    return has_value() ? *value_ : static_cast<T>(std::forward<U>(fallback));
  }

  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }

 private:
  std::optional<T> value_;  // holds exactly when there is no error
  Error error_;
};

// Result<void>: success or an Error.
struct Ok {
  bool operator==(const Ok&) const = default;
};
using Status = Result<Ok>;

// The value when there is one: for callers to whom a failure means only "not known".
template <class T>
std::optional<T> valueIfAny(const Result<T>& result) {
  if (!result.has_value()) return std::nullopt;
  return result.value();
}

}  // namespace corvane
