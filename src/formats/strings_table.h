#pragma once
// Strings tables (".strings" files, such as a bundle's localized InfoPlist.strings): the text form
//   /* comment */ "key" = "value";   // comment
// in UTF-16 with a byte-order mark (either order) or UTF-8, or a property list (XML or binary) holding a
// dictionary. Untrusted bytes: the reader is bounded and never fails other than by giving no table.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace corvane::strings {

// Files larger than this are not read, and no table holds more entries than this.
inline constexpr std::size_t kMaxStringsFileBytes = std::size_t{1} << 20;
inline constexpr std::size_t kMaxStringsEntries = 8192;

// Key to text; a key given twice keeps its last value.
using StringsTable = std::map<std::string, std::string, std::less<>>;

// Any of the forms above, told apart by the first bytes. Property-list values that are not text are left
// out. None when the bytes are malformed, too many, or hold too many entries.
std::optional<StringsTable> parse(std::span<const std::uint8_t> bytes);

// The text form, already decoded to UTF-8. Strings are quoted with " or ', and take the escapes \n \t \r \a \b \f \v, \" \' \\,
// \U followed by up to four hexadecimal digits (surrogate pairs joined), and up to three octal digits; a
// backslash before any other character keeps that character. Unquoted keys and values are runs of letters,
// digits and _$/:.- . A key followed directly by ";" maps to itself.
std::optional<StringsTable> parseText(std::string_view text);

}  // namespace corvane::strings
