#include "corvane/base/uuid.h"

#include <random>
#include <string>

#include "base/sha1.h"

namespace corvane {

Uuid Uuid::random() {
  // A generator per thread, seeded once from the system's random device: identifiers are made for every
  // finding and every piece of evidence, and asking the device each time costs more than the rest of the
  // work. 256 bits of seed keep them unpredictable and unique in practice.
  thread_local std::mt19937_64 generator = [] {
    std::random_device device;
    std::seed_seq seed{device(), device(), device(), device(), device(), device(), device(), device()};
    return std::mt19937_64(seed);
  }();
  std::array<std::uint8_t, 16> bytes{};
  for (std::size_t i = 0; i < bytes.size(); i += 8) {
    const std::uint64_t word = generator();
    for (std::size_t k = 0; k < 8; ++k) bytes[i + k] = static_cast<std::uint8_t>(word >> (8 * k));
  }
  bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40);
  bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);
  return Uuid(bytes);
}

Uuid Uuid::nameBased(const Uuid& space, std::string_view name) {
  std::string input;
  input.reserve(space.bytes().size() + name.size());
  input.append(space.bytes().begin(), space.bytes().end());
  input.append(name);
  const auto digest = sha1(input);
  std::array<std::uint8_t, 16> bytes{};
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = digest[i];
  bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x50);
  bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);
  return Uuid(bytes);
}

std::optional<Uuid> Uuid::parse(std::string_view text) {
  if (text.size() != 36) return std::nullopt;
  std::array<std::uint8_t, 16> bytes{};
  std::size_t byte = 0;
  for (std::size_t i = 0; i < 36;) {
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (text[i] != '-') return std::nullopt;
      ++i;
      continue;
    }
    auto nibble = [](char c) -> int {
      if (c >= '0' && c <= '9') return c - '0';
      if (c >= 'a' && c <= 'f') return c - 'a' + 10;
      if (c >= 'A' && c <= 'F') return c - 'A' + 10;
      return -1;
    };
    int hi = nibble(text[i]);
    int lo = nibble(text[i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    bytes[byte++] = static_cast<std::uint8_t>(hi * 16 + lo);
    i += 2;
  }
  return Uuid(bytes);
}

std::string Uuid::toString() const {
  static constexpr char kHex[] = "0123456789ABCDEF";
  char text[36];
  std::size_t n = 0;
  for (std::size_t i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text[n++] = '-';
    text[n++] = kHex[bytes_[i] >> 4];
    text[n++] = kHex[bytes_[i] & 0xF];
  }
  return std::string(text, sizeof text);
}

}  // namespace corvane
