#include "base/utf8.h"
#include "platform/unicode.h"

namespace corvane::platform {

std::string foldedAlphanumerics(std::string_view text) {
  std::string out;
  for (char32_t scalar : utf8::decode(lowercased(text))) {
    if (isAlphanumericScalar(scalar)) utf8::append(out, scalar);
  }
  return out;
}

}  // namespace corvane::platform
