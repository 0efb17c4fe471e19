#include "corvane/base/result.h"

#include <cstring>

namespace corvane {

std::string Error::describe() const {
  std::string text = operation;
  if (!path.empty()) text += (text.empty() ? "" : " ") + path;
  std::string detail = message;
  if (detail.empty() && code != 0) detail = std::strerror(code);
  if (!detail.empty()) text += (text.empty() ? "" : ": ") + detail;
  return text;
}

Error Error::fromErrno(int code, std::string operation, std::string path) {
  return Error{code, std::move(operation), std::move(path), {}};
}

Error Error::invalid(std::string message, std::string path) {
  return Error{0, {}, std::move(path), std::move(message)};
}

}  // namespace corvane
