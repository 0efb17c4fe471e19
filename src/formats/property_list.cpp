#include "corvane/formats/property_list.h"

#include <algorithm>
#include <cmath>


namespace corvane {

namespace {

bool sameReal(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

struct Equal {
  const PropertyList::Value& other;

  bool operator()(const double& a) const { return sameReal(a, std::get<double>(other)); }
  bool operator()(const PlistDate& a) const {
    return sameReal(a.secondsSince2001, std::get<PlistDate>(other).secondsSince2001);
  }
  template <class T>
  bool operator()(const T& a) const {
    return a == std::get<T>(other);  // arrays and dictionaries come back here element by element
  }
};

}  // namespace

std::optional<std::int64_t> PropertyList::asInteger() const {
  if (const auto* i = std::get_if<std::int64_t>(&value_)) return *i;
  return std::nullopt;
}

std::optional<double> PropertyList::asReal() const {
  if (const auto* d = std::get_if<double>(&value_)) return *d;
  if (const auto* i = std::get_if<std::int64_t>(&value_)) return static_cast<double>(*i);
  return std::nullopt;
}

std::optional<bool> PropertyList::asBoolean() const {
  if (const auto* b = std::get_if<bool>(&value_)) return *b;
  return std::nullopt;
}

std::optional<PlistUID> PropertyList::asUID() const {
  if (const auto* u = std::get_if<PlistUID>(&value_)) return *u;
  return std::nullopt;
}

const PropertyList* PropertyList::find(std::string_view key) const {
  const auto* dictionary = asDictionary();
  if (!dictionary) return nullptr;
  for (const auto& [k, v] : *dictionary)
    if (k == key) return &v;
  return nullptr;
}

std::optional<std::string> PropertyList::string(std::string_view key) const {
  const PropertyList* value = find(key);
  if (!value || !value->asString()) return std::nullopt;
  return *value->asString();
}

std::vector<std::string> PropertyList::strings(std::string_view key) const {
  std::vector<std::string> out;
  const PropertyList* value = find(key);
  if (!value || !value->asArray()) return out;
  for (const auto& element : *value->asArray())
    if (const auto* s = element.asString()) out.push_back(*s);
  return out;
}

bool PropertyList::operator==(const PropertyList& other) const {
  if (value_.index() != other.value_.index()) return false;
  return std::visit(Equal{other.value_}, value_);
}

namespace plist {

Result<PropertyList> parse(std::span<const std::uint8_t> bytes, const PlistLimits& limits) {
  static constexpr std::string_view kBinaryPrefix = "bplist";
  if (bytes.size() >= kBinaryPrefix.size() &&
      std::equal(kBinaryPrefix.begin(), kBinaryPrefix.end(), bytes.begin()))
    return parseBinary(bytes, limits);
  return parseXML(bytes, limits);
}

}  // namespace plist

}  // namespace corvane
