#pragma once
// Whether a name is a word of everyday English.

#include <string>
#include <string_view>

namespace corvane::ExtendedMatching {

// `lettersLowerCase`: a name's letters and digits, lower case ("stats", "loom").
bool isCommonWord(std::string_view lettersLowerCase);

}  // namespace corvane::ExtendedMatching
