#pragma once
// Reads the fields of one JSON object with a sticky error: the first missing or mistyped key is
// remembered and later reads return defaults, so a decoder checks once at the end.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "corvane/json_forms.h"

namespace corvane::json {

class ObjectReader {
 public:
  ObjectReader(const nlohmann::json& value, const char* record);

  std::string string(const char* key);
  std::optional<std::string> optionalString(const char* key);
  bool boolean(const char* key);
  std::int64_t integer(const char* key);
  std::optional<std::int64_t> optionalInteger(const char* key);
  std::uint64_t unsignedInteger(const char* key);
  Uuid uuid(const char* key);
  Url url(const char* key);
  std::optional<Url> optionalURL(const char* key);
  Date date(const char* key);
  std::optional<Date> optionalDate(const char* key);
  std::vector<std::string> stringList(const char* key);
  std::optional<std::vector<std::string>> optionalStringList(const char* key);

  template <class T>
  T record(const char* key) {
    const nlohmann::json* v = required(key);
    if (!v) return T{};
    return take(decode<T>(*v), key);
  }
  template <class T>
  std::optional<T> optionalRecord(const char* key) {
    const nlohmann::json* v = optional(key);
    if (!v) return std::nullopt;
    return take(decode<T>(*v), key);
  }
  template <class T>
  std::vector<T> list(const char* key) {
    const nlohmann::json* v = required(key);
    return v ? listOf<T>(*v, key) : std::vector<T>{};
  }
  template <class T>
  std::optional<std::vector<T>> optionalList(const char* key) {
    const nlohmann::json* v = optional(key);
    if (!v) return std::nullopt;
    return listOf<T>(*v, key);
  }

  bool ok() const { return !error_.has_value(); }
  const Error& error() const { return *error_; }

 private:
  const nlohmann::json* required(const char* key);
  const nlohmann::json* optional(const char* key);
  void fail(const char* key, const char* problem);

  template <class T>
  T take(Result<T> r, const char* key) {
    if (r.has_value()) return std::move(r).value();
    if (!error_) error_ = Error::invalid(std::string(record_) + "." + key + ": " + r.error().message);
    return T{};
  }
  template <class T>
  std::vector<T> listOf(const nlohmann::json& v, const char* key) {
    std::vector<T> out;
    if (!v.is_array()) {
      fail(key, "not a list");
      return out;
    }
    out.reserve(v.size());
    for (const auto& element : v) {
      out.push_back(take(decode<T>(element), key));
      if (error_) return {};
    }
    return out;
  }

  const nlohmann::json& value_;
  const char* record_;
  std::optional<Error> error_;
};

}  // namespace corvane::json
