#include "model/json_reader.h"

namespace corvane::json {

ObjectReader::ObjectReader(const nlohmann::json& value, const char* record) : value_(value), record_(record) {
  if (!value_.is_object()) error_ = Error::invalid(std::string(record_) + ": not an object");
}

void ObjectReader::fail(const char* key, const char* problem) {
  if (!error_) error_ = Error::invalid(std::string(record_) + "." + key + ": " + problem);
}

const nlohmann::json* ObjectReader::required(const char* key) {
  if (error_) return nullptr;
  auto it = value_.find(key);
  if (it == value_.end()) {
    fail(key, "missing");
    return nullptr;
  }
  return &*it;
}

const nlohmann::json* ObjectReader::optional(const char* key) {
  if (error_) return nullptr;
  auto it = value_.find(key);
  if (it == value_.end() || it->is_null()) return nullptr;
  return &*it;
}

std::string ObjectReader::string(const char* key) {
  const nlohmann::json* v = required(key);
  if (!v) return {};
  if (!v->is_string()) {
    fail(key, "not a string");
    return {};
  }
  return v->get_ref<const std::string&>();
}

std::optional<std::string> ObjectReader::optionalString(const char* key) {
  if (!optional(key)) return std::nullopt;
  std::string s = string(key);
  if (error_) return std::nullopt;
  return s;
}

bool ObjectReader::boolean(const char* key) {
  const nlohmann::json* v = required(key);
  if (!v) return false;
  if (!v->is_boolean()) {
    fail(key, "not a Boolean");
    return false;
  }
  return v->get<bool>();
}

std::int64_t ObjectReader::integer(const char* key) {
  const nlohmann::json* v = required(key);
  if (!v) return 0;
  if (v->is_number_unsigned()) {
    auto u = v->get<std::uint64_t>();
    if (u > static_cast<std::uint64_t>(INT64_MAX)) {
      fail(key, "out of range");
      return 0;
    }
    return static_cast<std::int64_t>(u);
  }
  if (!v->is_number_integer()) {
    fail(key, "not an integer");
    return 0;
  }
  return v->get<std::int64_t>();
}

std::optional<std::int64_t> ObjectReader::optionalInteger(const char* key) {
  if (!optional(key)) return std::nullopt;
  std::int64_t n = integer(key);
  if (error_) return std::nullopt;
  return n;
}

std::uint64_t ObjectReader::unsignedInteger(const char* key) {
  const nlohmann::json* v = required(key);
  if (!v) return 0;
  if (v->is_number_unsigned()) return v->get<std::uint64_t>();
  if (v->is_number_integer() && v->get<std::int64_t>() >= 0) return static_cast<std::uint64_t>(v->get<std::int64_t>());
  fail(key, "not an unsigned integer");
  return 0;
}

Uuid ObjectReader::uuid(const char* key) {
  std::string s = string(key);
  if (error_) return {};
  auto u = Uuid::parse(s);
  if (!u) {
    fail(key, "not a UUID");
    return {};
  }
  return *u;
}

Url ObjectReader::url(const char* key) {
  std::string s = string(key);
  if (error_) return {};
  auto u = Url::parse(s);
  if (!u) {
    fail(key, "not a file URL");
    return {};
  }
  return *u;
}

std::optional<Url> ObjectReader::optionalURL(const char* key) {
  if (!optional(key)) return std::nullopt;
  Url u = url(key);
  if (error_) return std::nullopt;
  return u;
}

Date ObjectReader::date(const char* key) {
  std::string s = string(key);
  if (error_) return {};
  auto d = date::parseISO8601(s);
  if (!d) {
    fail(key, "not an ISO 8601 date");
    return {};
  }
  return *d;
}

std::optional<Date> ObjectReader::optionalDate(const char* key) {
  if (!optional(key)) return std::nullopt;
  Date d = date(key);
  if (error_) return std::nullopt;
  return d;
}

std::vector<std::string> ObjectReader::stringList(const char* key) {
  const nlohmann::json* v = required(key);
  if (!v) return {};
  std::vector<std::string> out;
  if (!v->is_array()) {
    fail(key, "not a list");
    return out;
  }
  for (const auto& e : *v) {
    if (!e.is_string()) {
      fail(key, "holds a value that is not a string");
      return {};
    }
    out.push_back(e.get<std::string>());
  }
  return out;
}

std::optional<std::vector<std::string>> ObjectReader::optionalStringList(const char* key) {
  if (!optional(key)) return std::nullopt;
  auto list = stringList(key);
  if (error_) return std::nullopt;
  return list;
}

}  // namespace corvane::json
