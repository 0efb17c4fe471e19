#pragma once
// Combining hashes of record fields, in order.

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

namespace corvane {

inline void hashCombine(std::size_t& seed, std::size_t value) {
  seed ^= value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
}

inline void hashField(std::size_t& seed, const std::chrono::sys_seconds& value) {
  hashCombine(seed, std::hash<long long>{}(value.time_since_epoch().count()));
}

template <class T>
void hashField(std::size_t& seed, const std::optional<T>& value);
template <class T>
void hashField(std::size_t& seed, const std::vector<T>& values);

template <class T>
void hashField(std::size_t& seed, const T& value) {
  hashCombine(seed, std::hash<T>{}(value));
}

template <class T>
void hashField(std::size_t& seed, const std::optional<T>& value) {
  hashCombine(seed, value.has_value() ? 1 : 0);
  if (value) hashField(seed, *value);
}

template <class T>
void hashField(std::size_t& seed, const std::vector<T>& values) {
  hashCombine(seed, values.size());
  for (const auto& v : values) hashField(seed, v);
}

template <class... Fields>
std::size_t hashAll(const Fields&... fields) {
  std::size_t seed = 0;
  (hashField(seed, fields), ...);
  return seed;
}

}  // namespace corvane
