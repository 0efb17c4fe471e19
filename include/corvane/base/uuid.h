#pragma once
// A 128-bit identifier, written in the upper-case 36-character form.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

class Uuid {
 public:
  Uuid() = default;  // all zero
  explicit Uuid(const std::array<std::uint8_t, 16>& bytes) : bytes_(bytes) {}
  // A fresh random (version 4) identifier.
  static Uuid random();
  // The name-based (version 5) identifier of `name` in the namespace `space`: the same for the same name,
  // on every machine and in every run.
  static Uuid nameBased(const Uuid& space, std::string_view name);
  // Reads the 36-character hyphenated form, either case; anything else is no value.
  static std::optional<Uuid> parse(std::string_view text);

  std::string toString() const;
  const std::array<std::uint8_t, 16>& bytes() const { return bytes_; }

  bool operator==(const Uuid&) const = default;
  auto operator<=>(const Uuid&) const = default;

 private:
  std::array<std::uint8_t, 16> bytes_{};
};

}  // namespace corvane

template <>
struct std::hash<corvane::Uuid> {
  std::size_t operator()(const corvane::Uuid& u) const noexcept {
    std::size_t h = 1469598103934665603ULL;
    for (auto b : u.bytes()) h = (h ^ b) * 1099511628211ULL;
    return h;
  }
};
