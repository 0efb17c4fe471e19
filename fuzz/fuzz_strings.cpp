// Strings-table reader (localized InfoPlist.strings): any bytes must give a table or nothing, within its limits.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "formats/strings_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::span<const std::uint8_t> bytes(data, size);
  auto table = corvane::strings::parse(bytes);
  if (table && table->size() > corvane::strings::kMaxStringsEntries) __builtin_trap();
  // The text form alone, without the encoding and format detection in front of it.
  auto text = corvane::strings::parseText(std::string_view(reinterpret_cast<const char*>(data), size));
  if (text && text->size() > corvane::strings::kMaxStringsEntries) __builtin_trap();
  return 0;
}
