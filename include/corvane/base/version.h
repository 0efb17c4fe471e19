#pragma once
// The library's version, the one the build declares ("0.5.0").

#include <string_view>

namespace corvane {

std::string_view version();

}  // namespace corvane
