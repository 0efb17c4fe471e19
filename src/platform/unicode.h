#pragma once
// Unicode services of the operating system: lower-casing, the letter/mark/number test and the
// localized case-insensitive comparison people expect in sorted lists. Text is UTF-8; bytes that are
// not well-formed UTF-8 are read as U+FFFD and never cause a failure.

#include <cstddef>
#include <string>
#include <string_view>

namespace corvane::platform {

// Full Unicode lower-casing, independent of the user's language.
std::string lowercased(std::string_view utf8);

// True for scalars in the general categories L (letters), M (marks) and N (numbers) of any script.
bool isAlphanumericScalar(char32_t scalar);

// The text lower-cased, keeping only letters, marks and numbers (of any script): the form in which
// names are compared when matching items to an application.
std::string foldedAlphanumerics(std::string_view utf8);

// The number of user-perceived characters (extended grapheme clusters): "e" followed by a combining
// accent counts once.
std::size_t characterCount(std::string_view utf8);

// Compares as the user's language sorts names, ignoring letter case (accents still count).
// Negative when a sorts before b, zero when they are equal under that comparison, positive otherwise.
int localizedCaseInsensitiveCompare(std::string_view a, std::string_view b);

// The comparison a file browser sorts names with: like localizedCaseInsensitiveCompare, and runs of digits
// compare by their value ("File 2" before "File 10"). Same sign convention.
int localizedStandardCompare(std::string_view a, std::string_view b);

}  // namespace corvane::platform
