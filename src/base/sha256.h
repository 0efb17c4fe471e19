#pragma once
// SHA-256 (FIPS 180-4), fed in pieces of any size.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace corvane {

class Sha256 {
 public:
  using Digest = std::array<std::uint8_t, 32>;

  Sha256();
  void update(std::span<const std::uint8_t> bytes);
  // The digest of everything given; the object is spent afterwards.
  Digest finish();

  static Digest of(std::span<const std::uint8_t> bytes);

 private:
  void compress(const std::uint8_t* block);

  std::array<std::uint32_t, 8> state_;
  std::array<std::uint8_t, 64> block_{};
  std::size_t used_ = 0;
  std::uint64_t length_ = 0;
};

}  // namespace corvane
