#include "sample_mac/plist_writer.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstring>

#include "corvane/base/date.h"

namespace corvane::testing {

namespace {

constexpr std::int64_t kUnixSecondsAt2001 = 978307200;

// ---- XML ----

std::string escaped(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '\r': out += "&#13;"; break;  // a raw one would read back as a line feed
      default: out.push_back(c);
    }
  }
  return out;
}

std::string realText(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value > 0 ? "+infinity" : "-infinity";
  char buffer[64];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return ec == std::errc() ? std::string(buffer, end) : "0";
}

std::string base64(const std::vector<std::uint8_t>& bytes) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    std::uint32_t group = static_cast<std::uint32_t>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) group |= static_cast<std::uint32_t>(bytes[i + 1]) << 8;
    if (i + 2 < bytes.size()) group |= bytes[i + 2];
    out.push_back(kAlphabet[(group >> 18) & 0x3F]);
    out.push_back(kAlphabet[(group >> 12) & 0x3F]);
    out.push_back(i + 1 < bytes.size() ? kAlphabet[(group >> 6) & 0x3F] : '=');
    out.push_back(i + 2 < bytes.size() ? kAlphabet[group & 0x3F] : '=');
  }
  return out;
}

void writeXMLValue(const PropertyList& value, int depth, std::string& out);

struct XMLWriter {
  int depth;
  std::string& out;

  std::string indent() const { return std::string(static_cast<std::size_t>(depth), '\t'); }

  void operator()(const std::string& s) const { out += indent() + "<string>" + escaped(s) + "</string>\n"; }
  void operator()(std::int64_t i) const { out += indent() + "<integer>" + std::to_string(i) + "</integer>\n"; }
  void operator()(double d) const { out += indent() + "<real>" + realText(d) + "</real>\n"; }
  void operator()(bool b) const { out += indent() + (b ? "<true/>\n" : "<false/>\n"); }
  void operator()(const PlistDate& d) const {
    auto seconds = static_cast<std::int64_t>(std::floor(d.secondsSince2001)) + kUnixSecondsAt2001;
    out += indent() + "<date>" + date::iso8601(Date{std::chrono::seconds{seconds}}) + "</date>\n";
  }
  void operator()(const PlistData& d) const {
    // Wrapped and indented, as property-list writers do.
    static constexpr std::size_t kLine = 68;
    std::string text = base64(d.bytes);
    out += indent() + "<data>\n";
    for (std::size_t at = 0; at < text.size(); at += kLine) out += indent() + text.substr(at, kLine) + "\n";
    out += indent() + "</data>\n";
  }
  void operator()(const PlistUID& u) const {
    out += indent() + "<dict>\n" + indent() + "\t<key>CF$UID</key>\n" + indent() + "\t<integer>" +
           std::to_string(u.value) + "</integer>\n" + indent() + "</dict>\n";
  }
  void operator()(const PlistArray& a) const {
    if (a.empty()) {
      out += indent() + "<array/>\n";
      return;
    }
    out += indent() + "<array>\n";
    for (const auto& element : a) writeXMLValue(element, depth + 1, out);
    out += indent() + "</array>\n";
  }
  void operator()(const PlistDictionary& d) const {
    if (d.empty()) {
      out += indent() + "<dict/>\n";
      return;
    }
    out += indent() + "<dict>\n";
    for (const auto& [key, value] : d) {
      out += indent() + "\t<key>" + escaped(key) + "</key>\n";
      writeXMLValue(value, depth + 1, out);
    }
    out += indent() + "</dict>\n";
  }
};

void writeXMLValue(const PropertyList& value, int depth, std::string& out) {
  const XMLWriter write{depth, out};
  using K = PropertyList::Kind;
  switch (value.kind()) {
    case K::string: return write(*value.asString());
    case K::integer: return write(*value.asInteger());
    case K::real: return write(*value.asReal());
    case K::boolean: return write(*value.asBoolean());
    case K::date: return write(*value.asDate());
    case K::data: return write(*value.asData());
    case K::uid: return write(*value.asUID());
    case K::array: return write(*value.asArray());
    case K::dictionary: return write(*value.asDictionary());
  }
}

// ---- binary ----

std::size_t bytesFor(std::uint64_t value) {
  if (value <= 0xFF) return 1;
  if (value <= 0xFFFF) return 2;
  if (value <= 0xFFFFFFFF) return 4;
  return 8;
}

int log2Size(std::size_t size) { return size == 1 ? 0 : size == 2 ? 1 : size == 4 ? 2 : 3; }

void appendBigEndian(std::vector<std::uint8_t>& out, std::uint64_t value, std::size_t size) {
  for (std::size_t i = size; i-- > 0;) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// Decodes UTF-8; every byte that does not start a well-formed sequence stands for U+FFFD.
std::u32string decodeUTF8(const std::string& text) {
  std::u32string out;
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  std::size_t n = text.size();
  for (std::size_t i = 0; i < n;) {
    unsigned char b = p[i];
    std::size_t length = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
    char32_t c = length == 1 ? b : length == 2 ? (b & 0x1F) : length == 3 ? (b & 0x0F) : (b & 0x07);
    bool ok = length > 0 && i + length <= n;
    for (std::size_t k = 1; ok && k < length; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) ok = false;
      else c = (c << 6) | (p[i + k] & 0x3F);
    }
    static constexpr char32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (ok && (c < kMinimum[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))) ok = false;
    out.push_back(ok ? c : 0xFFFD);
    i += ok ? length : 1;
  }
  return out;
}

class BinaryWriter {
 public:
  std::vector<std::uint8_t> write(const PropertyList& top) {
    flatten(top);
    refSize_ = bytesFor(nodes_.size() - 1);
    std::vector<std::uint8_t> out = {'b', 'p', 'l', 'i', 's', 't', '0', '0'};
    std::vector<std::uint64_t> offsets;
    for (const Node& node : nodes_) {
      offsets.push_back(out.size());
      if (node.key) writeString(*node.key, out);
      else writeObject(node, out);
    }
    const std::uint64_t tableOffset = out.size();
    const std::size_t offsetSize = bytesFor(offsets.back());
    for (std::uint64_t offset : offsets) appendBigEndian(out, offset, offsetSize);
    out.insert(out.end(), 6, 0);  // unused, sort version
    out.push_back(static_cast<std::uint8_t>(offsetSize));
    out.push_back(static_cast<std::uint8_t>(refSize_));
    appendBigEndian(out, nodes_.size(), 8);
    appendBigEndian(out, 0, 8);  // the top object is written first
    appendBigEndian(out, tableOffset, 8);
    return out;
  }

 private:
  struct Node {
    const PropertyList* value = nullptr;  // or
    const std::string* key = nullptr;     // a dictionary key
    std::vector<std::uint64_t> refs;      // arrays: elements; dictionaries: keys, then values
  };

  std::uint64_t flatten(const PropertyList& value) {
    const std::uint64_t index = nodes_.size();
    nodes_.push_back(Node{&value, nullptr, {}});
    std::vector<std::uint64_t> refs;
    if (const auto* array = value.asArray()) {
      for (const auto& element : *array) refs.push_back(flatten(element));
    } else if (const auto* dictionary = value.asDictionary()) {
      for (const auto& entry : *dictionary) {
        refs.push_back(nodes_.size());
        nodes_.push_back(Node{nullptr, &entry.first, {}});
      }
      for (const auto& entry : *dictionary) refs.push_back(flatten(entry.second));
    }
    nodes_[index].refs = std::move(refs);
    return index;
  }

  static void writeHeader(std::uint8_t type, std::uint64_t count, std::vector<std::uint8_t>& out) {
    if (count < 15) {
      out.push_back(static_cast<std::uint8_t>(type << 4 | count));
      return;
    }
    out.push_back(static_cast<std::uint8_t>(type << 4 | 0xF));
    std::size_t size = bytesFor(count);
    out.push_back(static_cast<std::uint8_t>(0x10 | log2Size(size)));
    appendBigEndian(out, count, size);
  }

  static void writeDouble(std::uint8_t marker, double value, std::vector<std::uint8_t>& out) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    out.push_back(marker);
    appendBigEndian(out, bits, 8);
  }

  static void writeString(const std::string& text, std::vector<std::uint8_t>& out) {
    bool ascii = true;
    for (char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) {
      writeHeader(0x5, text.size(), out);
      out.insert(out.end(), text.begin(), text.end());
      return;
    }
    std::vector<std::uint16_t> units;
    for (char32_t c : decodeUTF8(text)) {
      if (c >= 0x10000) {
        units.push_back(static_cast<std::uint16_t>(0xD800 + ((c - 0x10000) >> 10)));
        units.push_back(static_cast<std::uint16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
      } else {
        units.push_back(static_cast<std::uint16_t>(c));
      }
    }
    writeHeader(0x6, units.size(), out);
    for (std::uint16_t unit : units) appendBigEndian(out, unit, 2);
  }

  void writeObject(const Node& node, std::vector<std::uint8_t>& out) const {
    const PropertyList& value = *node.value;
    if (const auto* s = value.asString()) {
      writeString(*s, out);
    } else if (const auto i = value.asInteger()) {
      std::size_t size = *i < 0 ? 8 : bytesFor(static_cast<std::uint64_t>(*i));
      out.push_back(static_cast<std::uint8_t>(0x10 | log2Size(size)));
      appendBigEndian(out, static_cast<std::uint64_t>(*i), size);
    } else if (value.kind() == PropertyList::Kind::real) {
      writeDouble(0x23, *value.asReal(), out);
    } else if (const auto b = value.asBoolean()) {
      out.push_back(*b ? 0x09 : 0x08);
    } else if (const auto date = value.asDate()) {
      writeDouble(0x33, date->secondsSince2001, out);
    } else if (const auto* data = value.asData()) {
      writeHeader(0x4, data->bytes.size(), out);
      out.insert(out.end(), data->bytes.begin(), data->bytes.end());
    } else if (const auto uid = value.asUID()) {
      std::size_t size = bytesFor(uid->value);
      out.push_back(static_cast<std::uint8_t>(0x80 | (size - 1)));
      appendBigEndian(out, uid->value, size);
    } else {
      const bool isDictionary = value.kind() == PropertyList::Kind::dictionary;
      writeHeader(isDictionary ? 0xD : 0xA, isDictionary ? node.refs.size() / 2 : node.refs.size(), out);
      for (std::uint64_t ref : node.refs) appendBigEndian(out, ref, refSize_);
    }
  }

  std::vector<Node> nodes_;
  std::size_t refSize_ = 1;
};

}  // namespace

std::string writeXMLPlist(const PropertyList& plist) {
  std::string out =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
      "<plist version=\"1.0\">\n";
  writeXMLValue(plist, 0, out);
  out += "</plist>\n";
  return out;
}

std::vector<std::uint8_t> writeBinaryPlist(const PropertyList& plist) { return BinaryWriter().write(plist); }

}  // namespace corvane::testing
