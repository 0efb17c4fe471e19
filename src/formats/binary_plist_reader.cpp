// The binary property-list format ("bplist00"), read within limits.
//
// Layout: the 8-byte header, the objects, the offset table (one big-endian offset per object) and a
// 32-byte trailer: 6 unused bytes, the offset size, the object-reference size, then three big-endian 64-bit
// numbers: object count, top object, offset-table offset. Each object starts with a marker byte whose high
// nibble is its type and whose low nibble is a size or count (0xF: the count follows as an integer object).

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "corvane/formats/property_list.h"
#include "formats/byte_cursor.h"

namespace corvane::plist {

namespace {

constexpr std::string_view kPrefix = "binary property list: ";
constexpr std::string_view kMagic = "bplist00";
constexpr std::uint64_t kHeaderSize = 8;
constexpr std::uint64_t kTrailerSize = 32;
// How far the values and bytes a file unfolds into may outgrow its objects and its size, and the floors
// below which any file may go.
constexpr std::uint64_t kUnfoldFactor = 16;
constexpr std::uint64_t kUnfoldFloorValues = 65536;
constexpr std::uint64_t kUnfoldFloorBytes = 1u << 20;

Error invalid(const std::string& message) { return Error::invalid(std::string(kPrefix) + message); }

void appendUTF8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

constexpr char32_t kReplacement = 0xFFFD;

// A big-endian number of `width` (1 to 8) bytes at `p`, which the caller has found to hold them.
inline std::uint64_t bigEndian(const std::uint8_t* p, unsigned width) {
  std::uint64_t value = 0;
  for (unsigned i = 0; i < width; ++i) value = value << 8 | p[i];
  return value;
}

class BinaryReader {
 public:
  BinaryReader(std::span<const std::uint8_t> bytes, const PlistLimits& limits) : bytes_(bytes), limits_(limits) {
    depthLimit_ = std::min(limits.maxDepth, PlistLimits::kDepthCeiling);
  }

  Result<PropertyList> read() {
    if (auto error = readTrailer()) return *error;
    PropertyList top;
    if (auto error = readObject(topObject_, 0, top)) return *error;
    return top;
  }

 private:
  using Failure = std::optional<Error>;

  Failure readTrailer() {
    const std::uint64_t size = bytes_.size();
    if (size < kHeaderSize || std::memcmp(bytes_.data(), kMagic.data(), 6) != 0)
      return invalid("missing \"bplist\" header");
    if (std::memcmp(bytes_.data(), kMagic.data(), kMagic.size()) != 0)
      return invalid("unsupported version \"" + std::string(bytes_.begin() + 6, bytes_.begin() + 8) + "\"");
    if (size < kHeaderSize + kTrailerSize) return invalid("the trailer is truncated");
    ByteCursor trailer = ByteCursor(bytes_).slice(size - kTrailerSize, kTrailerSize);
    trailer.skip(6);
    offsetSize_ = trailer.u8();
    refSize_ = trailer.u8();
    numObjects_ = trailer.be64();
    topObject_ = trailer.be64();
    tableOffset_ = trailer.be64();

    if (offsetSize_ < 1 || offsetSize_ > 8) return invalid("offset size " + std::to_string(offsetSize_) + " is invalid");
    if (refSize_ < 1 || refSize_ > 8)
      return invalid("object reference size " + std::to_string(refSize_) + " is invalid");
    if (numObjects_ == 0) return invalid("no objects");
    if (numObjects_ > limits_.maxObjects)
      return invalid(std::to_string(numObjects_) + " objects exceed the limit of " + std::to_string(limits_.maxObjects));
    if (topObject_ >= numObjects_) return invalid("top object " + std::to_string(topObject_) + " is out of range");
    // The table sits between the objects (at least one byte) and the trailer.
    const std::uint64_t tableEnd = size - kTrailerSize;
    if (tableOffset_ <= kHeaderSize || tableOffset_ > tableEnd ||
        numObjects_ > (tableEnd - tableOffset_) / offsetSize_)
      return invalid("the offset table lies outside the file");
    // Every index read from here on is below numObjects_, so its entry lies inside the table.
    table_ = bytes_.data() + tableOffset_;
    // An object referred to many times is read once per reference, so a few bytes of containers that
    // refer twice to the next one would unfold into every value and byte the caller allows, whatever the
    // file's size. What the file makes may outgrow its own objects and bytes by a bounded factor only.
    valueLimit_ = std::min<std::uint64_t>(limits_.maxObjects,
                                          std::max<std::uint64_t>(kUnfoldFloorValues, numObjects_ * kUnfoldFactor));
    payloadLimit_ = std::min<std::uint64_t>(limits_.maxBytes,
                                            std::max<std::uint64_t>(kUnfoldFloorBytes, size * kUnfoldFactor));
    return std::nullopt;
  }

  // The object at `index`: a cursor over the object area (the bytes before the offset table) from the
  // object's marker on, so that nothing an object holds can run into the table.
  struct Cursor {
    std::uint64_t index;
    ByteCursor bytes;
  };

  // The cursor at object `index` (below numObjects_); objects lie between the header and the offset table.
  Failure objectAt(std::uint64_t index, Cursor& c) const {
    const std::uint64_t offset = bigEndian(table_ + index * offsetSize_, offsetSize_);
    if (offset < kHeaderSize || offset >= tableOffset_)
      return invalid("object " + std::to_string(index) + " lies outside the object area");
    c.index = index;
    c.bytes = ByteCursor(bytes_.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(tableOffset_ - offset)));
    return std::nullopt;
  }

  Error pastEnd(std::uint64_t index) const {
    return invalid("object " + std::to_string(index) + " runs past the object area");
  }

  // A count from the marker's low nibble, or from the integer object after it when the nibble is 0xF.
  Failure readCount(Cursor& c, std::uint8_t nibble, std::uint64_t& count) const {
    if (nibble != 0xF) {
      count = nibble;
      return std::nullopt;
    }
    std::uint8_t marker = c.bytes.u8();
    if (!c.bytes.ok()) return pastEnd(c.index);
    if ((marker & 0xF0) != 0x10 || (marker & 0x0F) > 3)
      return invalid("object " + std::to_string(c.index) + " has a malformed length");
    count = c.bytes.be(1u << (marker & 0x0F));
    if (!c.bytes.ok()) return pastEnd(c.index);
    return std::nullopt;
  }

  // The `i`th reference of `refs`, which the caller has found to hold it.
  Failure readReference(const Cursor& c, const std::uint8_t* refs, std::uint64_t i, std::uint64_t& target) const {
    target = bigEndian(refs + i * refSize_, refSize_);
    if (target >= numObjects_)
      return invalid("object " + std::to_string(c.index) + " refers to missing object " + std::to_string(target));
    return std::nullopt;
  }

  Failure countValue(std::uint64_t payloadBytes) {
    if (++values_ > valueLimit_) return invalid("more than " + std::to_string(valueLimit_) + " values");
    if (payloadBytes > payloadLimit_ - payload_)
      return invalid("contents exceed " + std::to_string(payloadLimit_) + " bytes");
    payload_ += payloadBytes;
    return std::nullopt;
  }

  Failure readObject(std::uint64_t index, std::size_t depth, PropertyList& out) {
    Cursor c;
    if (auto e = objectAt(index, c)) return e;
    const std::uint8_t marker = c.bytes.u8();
    const std::uint8_t nibble = marker & 0x0F;
    // Only an error needs the object's name: building it for every value costs an allocation each.
    const auto name = [index] { return "object " + std::to_string(index); };

    switch (marker >> 4) {
      case 0x0:
        if (marker == 0x08 || marker == 0x09) {
          if (auto e = countValue(0)) return e;
          out = PropertyList(marker == 0x09);
          return std::nullopt;
        }
        return invalid(name() + " has unsupported type " + hex(marker));
      case 0x1: {
        if (nibble > 4) return invalid(name() + " has an integer of unsupported size " + std::to_string(1u << nibble));
        std::uint64_t size = 1u << nibble;
        // 1, 2 and 4 bytes are unsigned, 8 bytes signed; of 16 bytes the low 64 bits are kept.
        if (size == 16) c.bytes.skip(8);
        std::uint64_t raw = c.bytes.be(std::min<std::uint64_t>(size, 8));
        if (!c.bytes.ok()) return pastEnd(index);
        if (auto e = countValue(0)) return e;
        out = PropertyList(static_cast<std::int64_t>(raw));
        return std::nullopt;
      }
      case 0x2: {
        if (nibble != 2 && nibble != 3) return invalid(name() + " has a real of unsupported size " + std::to_string(1u << nibble));
        double real = readReal(c.bytes, 1u << nibble);
        if (!c.bytes.ok()) return pastEnd(index);
        if (auto e = countValue(0)) return e;
        out = PropertyList(real);
        return std::nullopt;
      }
      case 0x3: {
        if (marker != 0x33) return invalid(name() + " has unsupported type " + hex(marker));
        double seconds = readReal(c.bytes, 8);
        if (!c.bytes.ok()) return pastEnd(index);
        if (auto e = countValue(0)) return e;
        out = PropertyList(PlistDate{seconds});
        return std::nullopt;
      }
      case 0x4: {
        std::uint64_t count = 0;
        if (auto e = readCount(c, nibble, count)) return e;
        auto data = c.bytes.bytes(count);
        if (!c.bytes.ok()) return pastEnd(index);
        if (auto e = countValue(count)) return e;
        out = PropertyList(PlistData{std::vector<std::uint8_t>(data.begin(), data.end())});
        return std::nullopt;
      }
      case 0x5:
      case 0x6: {
        std::string text;
        if (auto e = readString(c, marker, text)) return e;
        out = PropertyList(std::move(text));
        return std::nullopt;
      }
      case 0x8: {
        std::uint64_t size = nibble + 1u;
        auto raw = c.bytes.bytes(size);
        if (!c.bytes.ok()) return pastEnd(index);
        auto high = raw.first(size > 8 ? size - 8 : 0);
        if (std::any_of(high.begin(), high.end(), [](std::uint8_t b) { return b != 0; }))
          return invalid(name() + " has a UID beyond 64 bits");
        if (auto e = countValue(0)) return e;
        out = PropertyList(PlistUID{ByteCursor(raw.subspan(high.size())).be(size - high.size())});
        return std::nullopt;
      }
      case 0xA:
      case 0xB:
      case 0xC:
      case 0xD:
        return readContainer(c, marker, depth, out);
      default:
        return invalid(name() + " has unsupported type " + hex(marker));
    }
  }

  Failure readContainer(Cursor& c, std::uint8_t marker, std::size_t depth, PropertyList& out) {
    const auto name = [&c] { return "object " + std::to_string(c.index); };
    if (std::find(path_.begin(), path_.end(), c.index) != path_.end()) return invalid(name() + " contains itself");
    if (depth + 1 > depthLimit_) return invalid("nesting deeper than " + std::to_string(depthLimit_));
    const bool isDictionary = (marker >> 4) == 0xD;
    std::uint64_t count = 0;
    if (auto e = readCount(c, marker & 0x0F, count)) return e;
    if (!c.bytes.fits(count, isDictionary ? 2u * refSize_ : refSize_)) return pastEnd(c.index);
    if (auto e = countValue(0)) return e;

    // The references, found above to fit: keys then values for a dictionary.
    const std::uint8_t* refs = c.bytes.bytes(count * (isDictionary ? 2u * refSize_ : refSize_)).data();
    path_.push_back(c.index);
    Failure failure = isDictionary ? readDictionary(c, refs, count, depth, out) : readArray(c, refs, count, depth, out);
    path_.pop_back();
    return failure;
  }

  // Each element is read in place, into the slot it keeps.
  Failure readDictionary(const Cursor& c, const std::uint8_t* refs, std::uint64_t count, std::size_t depth,
                         PropertyList& out) {
    PlistDictionary dictionary;
    dictionary.reserve(count);
    for (std::uint64_t i = 0; i < count; ++i) {
      std::uint64_t keyRef = 0, valueRef = 0;
      if (auto e = readReference(c, refs, i, keyRef)) return e;
      if (auto e = readReference(c, refs, count + i, valueRef)) return e;
      auto& entry = dictionary.emplace_back();
      if (auto e = readKey(keyRef, entry.first)) return e;
      if (auto e = readObject(valueRef, depth + 1, entry.second)) return e;
    }
    out = PropertyList(std::move(dictionary));
    return std::nullopt;
  }

  Failure readArray(const Cursor& c, const std::uint8_t* refs, std::uint64_t count, std::size_t depth, PropertyList& out) {
    PlistArray array;
    array.reserve(count);
    for (std::uint64_t i = 0; i < count; ++i) {
      std::uint64_t ref = 0;
      if (auto e = readReference(c, refs, i, ref)) return e;
      if (auto e = readObject(ref, depth + 1, array.emplace_back())) return e;
    }
    out = PropertyList(std::move(array));
    return std::nullopt;
  }

  Failure readKey(std::uint64_t index, std::string& key) {
    Cursor c;
    if (auto e = objectAt(index, c)) return e;
    const std::uint8_t marker = c.bytes.u8();
    if ((marker >> 4) != 0x5 && (marker >> 4) != 0x6)
      return invalid("dictionary key object " + std::to_string(index) + " is not a string");
    return readString(c, marker, key);
  }

  // ASCII (0x5_) or UTF-16BE (0x6_, counted in code units), as UTF-8.
  Failure readString(Cursor& c, std::uint8_t marker, std::string& text) {
    std::uint64_t count = 0;
    if (auto e = readCount(c, marker & 0x0F, count)) return e;
    if ((marker >> 4) == 0x5) {
      auto ascii = c.bytes.bytes(count);
      if (!c.bytes.ok()) return pastEnd(c.index);
      if (std::all_of(ascii.begin(), ascii.end(), [](std::uint8_t b) { return b < 0x80; })) {
        text.assign(reinterpret_cast<const char*>(ascii.data()), ascii.size());
      } else {
        text.reserve(count);
        for (std::uint8_t b : ascii) {
          if (b < 0x80) text.push_back(static_cast<char>(b));
          else appendUTF8(text, kReplacement);
        }
      }
    } else {
      if (!c.bytes.fits(count, 2)) return pastEnd(c.index);
      text.reserve(count);
      ByteCursor units = c.bytes.slice(c.bytes.offset(), count * 2);
      for (std::uint64_t i = 0; i < count; ++i) {
        char32_t unit = units.be16();
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < count) {
          ByteCursor next = units;
          char32_t low = next.be16();
          if (low >= 0xDC00 && low <= 0xDFFF) {
            appendUTF8(text, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
            units = next;
            ++i;
            continue;
          }
        }
        appendUTF8(text, unit >= 0xD800 && unit <= 0xDFFF ? kReplacement : unit);
      }
    }
    return countValue(text.size());
  }

  // A big-endian float (4 bytes) or double (8 bytes); zero when the bytes are not there.
  static double readReal(ByteCursor& c, std::uint64_t size) {
    std::uint64_t bits = c.be(size);
    if (size == 4) {
      float f;
      auto narrow = static_cast<std::uint32_t>(bits);
      std::memcpy(&f, &narrow, sizeof f);
      return f;
    }
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
  }

  static std::string hex(std::uint8_t marker) {
    static constexpr char kDigits[] = "0123456789abcdef";
    return std::string("0x") + kDigits[marker >> 4] + kDigits[marker & 0xF];
  }

  std::span<const std::uint8_t> bytes_;
  const PlistLimits& limits_;
  std::size_t depthLimit_ = 0;
  std::uint8_t offsetSize_ = 0;
  std::uint8_t refSize_ = 0;
  std::uint64_t numObjects_ = 0;
  std::uint64_t topObject_ = 0;
  std::uint64_t tableOffset_ = 0;
  const std::uint8_t* table_ = nullptr;  // the offset table, once the trailer has placed it inside the file
  std::uint64_t valueLimit_ = 0;    // limits_.maxObjects, or less for a small file (see readTrailer)
  std::uint64_t payloadLimit_ = 0;  // limits_.maxBytes, likewise
  std::uint64_t values_ = 0;   // values produced so far (shared objects count each time)
  std::uint64_t payload_ = 0;  // bytes of text and data produced so far
  std::vector<std::uint64_t> path_;  // containers from the top object down to the one being read
};

}  // namespace

Result<PropertyList> parseBinary(std::span<const std::uint8_t> bytes, const PlistLimits& limits) {
  if (bytes.size() > limits.maxBytes)
    return Error::invalid(std::string(kPrefix) + std::to_string(bytes.size()) + " bytes exceed the limit of " +
                          std::to_string(limits.maxBytes));
  try {
    return BinaryReader(bytes, limits).read();
  } catch (const std::bad_alloc&) {
    return Error::invalid(std::string(kPrefix) + "out of memory");
  }
}

}  // namespace corvane::plist
