#pragma once
// Scope identifiers as the background-items readers compare them: trimmed of white space and line
// breaks (Unicode's separators included) and upper-cased.

#include <string>
#include <string_view>

namespace corvane::discovery {

// `text` without the white space and line breaks at either end.
std::string_view trimmedWhitespace(std::string_view text);
// Letters a-z upper-cased; every other byte unchanged.
std::string upperCasedASCII(std::string_view text);
// The trimmed, upper-cased text; empty for a blank text.
std::string trimmedUpperCased(std::string_view text);

}  // namespace corvane::discovery
