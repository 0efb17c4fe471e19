#pragma once
// Reading the text of a file URL, saying what is wrong with one that is not.

#include <string_view>

#include "corvane/base/result.h"
#include "corvane/base/url.h"

namespace corvane::url {

// "file:///a%20b" (or "file://localhost/...") as a Url. Anything else fails with the text as the error's
// path and one of "not a file URL", "not an absolute path", "a malformed percent escape" or "a NUL byte
// in the path". Url::parse is this without the reason.
Result<Url> readFileURL(std::string_view text);

}  // namespace corvane::url
