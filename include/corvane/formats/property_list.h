#pragma once
// Property lists, XML or binary, read into one value type. Readers are bounded: they never read out of
// bounds, never recurse without limit and never allocate more than the input could describe.

#include <concepts>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "corvane/base/result.h"

namespace corvane {

class PropertyList;

using PlistArray = std::vector<PropertyList>;
// Keys in the order the file gives them; lookups take the first match.
using PlistDictionary = std::vector<std::pair<std::string, PropertyList>>;

struct PlistData {
  std::vector<std::uint8_t> bytes;
  bool operator==(const PlistData&) const = default;
};
// A date as seconds since 2001-01-01 00:00:00 UTC.
struct PlistDate {
  double secondsSince2001 = 0;
  bool operator==(const PlistDate&) const = default;
};
// A keyed-archive object reference (binary property lists only).
struct PlistUID {
  std::uint64_t value = 0;
  bool operator==(const PlistUID&) const = default;
};

// One value of a property list, tagged with its kind: kind() says which accessor answers (asString for
// string, asInteger for integer, and so on); the others answer none. Plain enough for a Swift caller.
class PropertyList {
 public:
  enum class Kind : std::uint8_t { string, integer, real, boolean, date, data, array, dictionary, uid };

  PropertyList() = default;  // the empty string
  // Implicit from each kind of value, so that literals read naturally:
  // PlistDictionary{{"Label", label}, {"RunAtLoad", true}, {"Args", PlistArray{"/bin/x"}}}.
  PropertyList(const char* text) : text_(text) {}                        // NOLINT: implicit by design
  PropertyList(std::string text) : text_(std::move(text)) {}             // NOLINT
  PropertyList(bool flag) : kind_(Kind::boolean), integer_(flag) {}      // NOLINT
  // Any integer but bool; unsigned values above 2^63-1 keep their 64 bits.
  template <std::integral I>
    requires(!std::same_as<I, bool>)
  PropertyList(I number) : kind_(Kind::integer), integer_(static_cast<std::int64_t>(number)) {}  // NOLINT
  PropertyList(double number) : kind_(Kind::real), real_(number) {}                              // NOLINT
  PropertyList(PlistDate date) : kind_(Kind::date), real_(date.secondsSince2001) {}              // NOLINT
  PropertyList(PlistData data) : kind_(Kind::data), data_(std::move(data)) {}                    // NOLINT
  PropertyList(PlistArray array) : kind_(Kind::array), array_(std::move(array)) {}               // NOLINT
  PropertyList(PlistDictionary dictionary)                                                       // NOLINT
      : kind_(Kind::dictionary), dictionary_(std::move(dictionary)) {}
  PropertyList(PlistUID uid) : kind_(Kind::uid), integer_(static_cast<std::int64_t>(uid.value)) {}  // NOLINT

  Kind kind() const { return kind_; }

  const std::string* asString() const { return kind_ == Kind::string ? &text_ : nullptr; }
  std::optional<std::int64_t> asInteger() const;
  // A real, or an integer widened to a real.
  std::optional<double> asReal() const;
  std::optional<bool> asBoolean() const;
  std::optional<PlistDate> asDate() const;
  const PlistData* asData() const { return kind_ == Kind::data ? &data_ : nullptr; }
  const PlistArray* asArray() const { return kind_ == Kind::array ? &array_ : nullptr; }
  const PlistDictionary* asDictionary() const { return kind_ == Kind::dictionary ? &dictionary_ : nullptr; }
  std::optional<PlistUID> asUID() const;

  // Dictionary lookup (first key that matches); none for other types or a missing key.
  const PropertyList* find(std::string_view key) const;
  // The string under `key`, when this is a dictionary and the value is a string.
  std::optional<std::string> string(std::string_view key) const;
  // The strings of the array under `key`; non-string elements are skipped.
  std::vector<std::string> strings(std::string_view key) const;

  // Structural equality; reals (and dates) compare as numbers, except that NaN equals NaN.
  bool operator==(const PropertyList&) const;

 private:
  Kind kind_ = Kind::string;
  std::int64_t integer_ = 0;  // integer, boolean (0 or 1), uid
  double real_ = 0;           // real, date
  std::string text_;
  PlistData data_;
  PlistArray array_;
  PlistDictionary dictionary_;
};

// Limits on what an input may make a reader do. A binary plist may refer to one object many times, so
// maxObjects also bounds the values it produces, and the text and data it produces are bounded by maxBytes.
struct PlistLimits {
  std::size_t maxBytes = 64u << 20;     // whole input
  std::size_t maxObjects = 1u << 20;    // objects in a binary plist's offset table / XML elements
  std::size_t maxDepth = 64;            // nesting of arrays and dictionaries

  // Depth never exceeds this, whatever maxDepth says: values are built and destroyed recursively.
  static constexpr std::size_t kDepthCeiling = 512;
};

namespace plist {

// Reads XML or binary ("bplist00") by looking at the first bytes.
Result<PropertyList> parse(std::span<const std::uint8_t> bytes, const PlistLimits& limits = {});
// XML: a <plist> root holding one value. Entity declarations and undeclared entities are refused (only the
// predefined entities and character references are read). A dictionary holding exactly one key "CF$UID" with
// an integer from 0 to 2^32-1 reads as a PlistUID, as keyed archives write references in XML.
// Integers from 2^63 to 2^64-1 read as the signed value of the same 64 bits.
Result<PropertyList> parseXML(std::span<const std::uint8_t> bytes, const PlistLimits& limits = {});
// Binary: sets read as arrays; 16-byte integers read as their low 64 bits (so an unsigned 64-bit value
// survives a cast back); ASCII strings with bytes above 0x7F and unpaired UTF-16 surrogates read U+FFFD
// in their place; null and fill objects are refused.
Result<PropertyList> parseBinary(std::span<const std::uint8_t> bytes, const PlistLimits& limits = {});
// Reading a file is plist::readFile in platform/format_files.h.

}  // namespace plist

}  // namespace corvane
