#include "base/sha1.h"

#include <cstring>

namespace corvane {

namespace {

std::uint32_t rotl(std::uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

std::uint32_t bigEndian(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
         static_cast<std::uint32_t>(p[2]) << 8 | static_cast<std::uint32_t>(p[3]);
}

// Mixes one 64-byte block into the state; the message schedule is a ring of 16 words. Finding ids hash a
// block or two for every item a scan reports, so the rounds are unrolled.
void compress(std::uint32_t h[5], const unsigned char* block) {
  std::uint32_t w[16];
  for (int i = 0; i < 16; ++i) w[i] = bigEndian(block + 4 * i);
  const auto word = [&w](int i) {
    if (i < 16) return w[i];
    w[i & 15] = rotl(w[(i - 3) & 15] ^ w[(i - 8) & 15] ^ w[(i - 14) & 15] ^ w[i & 15], 1);
    return w[i & 15];
  };
  std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
  const auto round = [&](std::uint32_t f, std::uint32_t k, std::uint32_t x) {
    const std::uint32_t t = rotl(a, 5) + f + e + k + x;
    e = d, d = c, c = rotl(b, 30), b = a, a = t;
  };
#pragma GCC unroll 20
  for (int i = 0; i < 20; ++i) round(d ^ (b & (c ^ d)), 0x5A827999, word(i));
#pragma GCC unroll 20
  for (int i = 20; i < 40; ++i) round(b ^ c ^ d, 0x6ED9EBA1, word(i));
#pragma GCC unroll 20
  for (int i = 40; i < 60; ++i) round((b & c) | (d & (b | c)), 0x8F1BBCDC, word(i));
#pragma GCC unroll 20
  for (int i = 60; i < 80; ++i) round(b ^ c ^ d, 0xCA62C1D6, word(i));
  h[0] += a, h[1] += b, h[2] += c, h[3] += d, h[4] += e;
}

}  // namespace

std::array<std::uint8_t, 20> sha1(std::string_view bytes) {
  std::uint32_t h[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t whole = bytes.size() / 64 * 64;
  for (std::size_t at = 0; at < whole; at += 64) compress(h, data + at);
  // The rest, the 0x80 marker and the length in bits fill one last block, or two.
  unsigned char tail[128] = {};
  const std::size_t rest = bytes.size() - whole;
  if (rest > 0) std::memcpy(tail, data + whole, rest);
  tail[rest] = 0x80;
  const std::size_t tailSize = rest < 56 ? 64 : 128;
  const std::uint64_t bits = static_cast<std::uint64_t>(bytes.size()) * 8;
  for (std::size_t i = 0; i < 8; ++i) tail[tailSize - 1 - i] = static_cast<unsigned char>(bits >> (8 * i));
  for (std::size_t at = 0; at < tailSize; at += 64) compress(h, tail + at);
  std::array<std::uint8_t, 20> digest{};
  for (std::size_t i = 0; i < 20; ++i) digest[i] = static_cast<std::uint8_t>(h[i / 4] >> (24 - 8 * (i % 4)));
  return digest;
}

}  // namespace corvane
