#include "base/sha1.h"

#include <string>

namespace corvane {

namespace {

std::uint32_t rotl(std::uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

}  // namespace

std::array<std::uint8_t, 20> sha1(std::string_view bytes) {
  std::uint32_t h[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
  std::string message(bytes);
  const std::uint64_t bits = static_cast<std::uint64_t>(bytes.size()) * 8;
  message += static_cast<char>(0x80);
  message.resize(message.size() + (120 - message.size() % 64) % 64, '\0');  // up to 56 bytes past a block
  for (int i = 7; i >= 0; --i) message += static_cast<char>(bits >> (8 * i));
  for (std::size_t block = 0; block < message.size(); block += 64) {
    std::uint32_t w[80];
    for (int i = 0; i < 16; ++i) {
      w[i] = 0;
      for (int k = 0; k < 4; ++k) w[i] = (w[i] << 8) | static_cast<unsigned char>(message[block + 4 * i + k]);
    }
    for (int i = 16; i < 80; ++i) w[i] = rotl(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
    std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
    const auto round = [&](int i, std::uint32_t f, std::uint32_t k) {
      const std::uint32_t t = rotl(a, 5) + f + e + k + w[i];
      e = d, d = c, c = rotl(b, 30), b = a, a = t;
    };
    for (int i = 0; i < 20; ++i) round(i, (b & c) | (~b & d), 0x5A827999);
    for (int i = 20; i < 40; ++i) round(i, b ^ c ^ d, 0x6ED9EBA1);
    for (int i = 40; i < 60; ++i) round(i, (b & c) | (b & d) | (c & d), 0x8F1BBCDC);
    for (int i = 60; i < 80; ++i) round(i, b ^ c ^ d, 0xCA62C1D6);
    h[0] += a, h[1] += b, h[2] += c, h[3] += d, h[4] += e;
  }
  std::array<std::uint8_t, 20> digest{};
  for (int i = 0; i < 20; ++i) digest[i] = static_cast<std::uint8_t>(h[i / 4] >> (24 - 8 * (i % 4)));
  return digest;
}

}  // namespace corvane
