#pragma once
// Lexical clean-up of paths inside the discovery code: "." segments and repeated slashes removed, ".."
// taking away the segment before it, links not resolved. Kept for the catalog readers; new code can call
// url::standardizedPath or Url::standardized directly.

#include <string>
#include <string_view>

#include "corvane/base/url.h"

namespace corvane::discovery {

// "/a/./b/../c/" gives "/a/c"; ".." at the top stays at "/". A relative path stays relative.
inline std::string standardizedPath(std::string_view path) { return url::standardizedPath(path); }

}  // namespace corvane::discovery
