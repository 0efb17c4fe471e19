#pragma once
// Byte counts as people read file sizes: decimal (1000-based) units, the way the system shows sizes of files.

#include <cstdint>
#include <string>

namespace corvane::byteCount {

// "Zero KB", "1 byte", "512 bytes", whole kilobytes ("12 KB"), then one decimal ("1.2 MB", "3.0 GB",
// "1.5 TB", "2.0 PB"). A value is shown in the largest unit that keeps it below 1000 after rounding, so
// 999 500 bytes is "1.0 MB", not "1000 KB". Negative counts keep their sign ("-2 KB").
std::string fileSize(std::int64_t bytes);

}  // namespace corvane::byteCount
