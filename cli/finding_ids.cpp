#include "cli/finding_ids.h"

#include <array>
#include <cstdint>

#include "cli/snapshot_text.h"

namespace corvane::cli {

Uuid stableFindingID(const Url& url, const Layout& layout) {
  const std::string path = displayPath(url, layout);
  std::uint64_t halves[2] = {14695981039346656037ULL, 0x6c62272e07bb0142ULL};
  for (std::uint64_t& h : halves)
    for (unsigned char c : path) h = (h ^ c) * 1099511628211ULL;
  std::array<std::uint8_t, 16> bytes{};
  for (int i = 0; i < 8; ++i) {
    bytes[i] = static_cast<std::uint8_t>(halves[0] >> (56 - 8 * i));
    bytes[8 + i] = static_cast<std::uint8_t>(halves[1] >> (56 - 8 * i));
  }
  bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x80);
  bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);
  return Uuid(bytes);
}

void giveStableIDs(AnalysisSnapshot& snapshot, const Layout& layout) {
  for (auto& f : snapshot.findings) f.id = stableFindingID(f.url, layout);
}

}  // namespace corvane::cli
