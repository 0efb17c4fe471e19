#include "corvane/formats/property_list.h"

#include <algorithm>
#include <cmath>


namespace corvane {

namespace {

bool sameReal(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

}  // namespace

std::optional<std::int64_t> PropertyList::asInteger() const {
  if (kind_ == Kind::integer) return integer_;
  return std::nullopt;
}

std::optional<double> PropertyList::asReal() const {
  if (kind_ == Kind::real) return real_;
  if (kind_ == Kind::integer) return static_cast<double>(integer_);
  return std::nullopt;
}

std::optional<bool> PropertyList::asBoolean() const {
  if (kind_ == Kind::boolean) return integer_ != 0;
  return std::nullopt;
}

std::optional<PlistDate> PropertyList::asDate() const {
  if (kind_ == Kind::date) return PlistDate{real_};
  return std::nullopt;
}

std::optional<PlistUID> PropertyList::asUID() const {
  if (kind_ == Kind::uid) return PlistUID{static_cast<std::uint64_t>(integer_)};
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
  if (kind_ != other.kind_) return false;
  switch (kind_) {
    case Kind::string: return text_ == other.text_;
    case Kind::integer:
    case Kind::boolean:
    case Kind::uid: return integer_ == other.integer_;
    case Kind::real:
    case Kind::date: return sameReal(real_, other.real_);
    case Kind::data: return data_ == other.data_;
    case Kind::array: return array_ == other.array_;  // element by element, back through here
    case Kind::dictionary: return dictionary_ == other.dictionary_;
  }
  return false;
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
