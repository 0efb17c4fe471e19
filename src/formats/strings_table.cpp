#include "formats/strings_table.h"

#include "corvane/formats/property_list.h"
#include "base/utf8.h"

namespace corvane::strings {

namespace {

constexpr std::string_view kBinaryPlistMagic = "bplist";

bool isHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
char32_t joinSurrogates(char32_t high, char32_t low) { return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00); }

// UTF-16 code units (after the byte-order mark) to UTF-8; unpaired surrogates become U+FFFD. None for an odd
// number of bytes.
std::optional<std::string> decodeUTF16(std::span<const std::uint8_t> bytes, bool bigEndian) {
  if (bytes.size() % 2 != 0) return std::nullopt;
  auto unit = [&](std::size_t i) -> char32_t {
    std::uint8_t first = bytes[2 * i], second = bytes[2 * i + 1];
    return bigEndian ? char32_t(first) << 8 | second : char32_t(second) << 8 | first;
  };
  const std::size_t count = bytes.size() / 2;
  std::string text;
  text.reserve(bytes.size());
  for (std::size_t i = 0; i < count; ++i) {
    char32_t c = unit(i);
    if (isHighSurrogate(c) && i + 1 < count && isLowSurrogate(unit(i + 1))) c = joinSurrogates(c, unit(++i));
    utf8::append(text, c);  // a lone surrogate appends U+FFFD
  }
  return text;
}

std::optional<StringsTable> fromPropertyList(const Result<PropertyList>& parsed) {
  if (!parsed.has_value()) return std::nullopt;
  const PlistDictionary* dictionary = parsed.value().asDictionary();
  if (!dictionary || dictionary->size() > kMaxStringsEntries) return std::nullopt;
  StringsTable table;
  for (const auto& [key, value] : *dictionary)
    if (const std::string* text = value.asString()) table.insert_or_assign(key, *text);
  return table;
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

bool isUnquotedCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         std::string_view("_$/:.-").find(c) != std::string_view::npos;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// One pass over the text; every step moves forward, so the work is linear in the text's length.
class TextReader {
 public:
  explicit TextReader(std::string_view text) : text_(text) {}

  bool atEnd() const { return pos_ >= text_.size(); }
  char peek() const { return text_[pos_]; }
  void advance() { ++pos_; }

  // Skips white space and comments; false for a comment that never ends.
  bool skipBlanks() {
    while (!atEnd()) {
      if (isSpace(peek())) {
        ++pos_;
      } else if (text_.substr(pos_, 2) == "//") {
        std::size_t end = text_.find('\n', pos_);
        pos_ = end == std::string_view::npos ? text_.size() : end + 1;
      } else if (text_.substr(pos_, 2) == "/*") {
        std::size_t end = text_.find("*/", pos_ + 2);
        if (end == std::string_view::npos) return false;
        pos_ = end + 2;
      } else {
        return true;
      }
    }
    return true;
  }

  // A quoted or unquoted string at the current position.
  std::optional<std::string> string() {
    if (atEnd()) return std::nullopt;
    if (peek() == '"' || peek() == '\'') return quoted(peek());
    std::size_t start = pos_;
    while (!atEnd() && isUnquotedCharacter(peek())) ++pos_;
    if (pos_ == start) return std::nullopt;
    return std::string(text_.substr(start, pos_ - start));
  }

 private:
  std::optional<std::string> quoted(char quote) {
    ++pos_;  // the opening quote
    std::string out;
    while (!atEnd()) {
      char c = text_[pos_++];
      if (c == quote) return out;
      if (c != '\\') {
        out.push_back(c);
        continue;
      }
      if (atEnd()) return std::nullopt;
      if (!escape(out)) return std::nullopt;
    }
    return std::nullopt;  // no closing quote
  }

  // After a backslash: appends what the escape stands for.
  bool escape(std::string& out) {
    char c = text_[pos_++];
    switch (c) {
      case 'n': out.push_back('\n'); return true;
      case 't': out.push_back('\t'); return true;
      case 'r': out.push_back('\r'); return true;
      case 'a': out.push_back('\a'); return true;
      case 'b': out.push_back('\b'); return true;
      case 'f': out.push_back('\f'); return true;
      case 'v': out.push_back('\v'); return true;
      case 'U': {
        char32_t scalar = hexDigits();
        if (isHighSurrogate(scalar) && text_.substr(pos_, 2) == "\\U") {
          std::size_t mark = pos_;
          pos_ += 2;
          char32_t low = hexDigits();
          if (isLowSurrogate(low)) {
            scalar = joinSurrogates(scalar, low);
          } else {
            pos_ = mark;  // not a pair: the next escape is read on its own
          }
        }
        utf8::append(out, scalar);
        return true;
      }
      default:
        if (c >= '0' && c <= '7') {
          char32_t value = static_cast<char32_t>(c - '0');
          for (int i = 0; i < 2 && !atEnd() && peek() >= '0' && peek() <= '7'; ++i)
            value = value * 8 + static_cast<char32_t>(text_[pos_++] - '0');
          utf8::append(out, value);
          return true;
        }
        out.push_back(c);  // \" \' \\ and any other character stand for themselves
        return true;
    }
  }

  // Up to four hexadecimal digits (none gives 0).
  char32_t hexDigits() {
    char32_t value = 0;
    for (int i = 0; i < 4 && !atEnd() && hexValue(peek()) >= 0; ++i)
      value = value * 16 + static_cast<char32_t>(hexValue(text_[pos_++]));
    return value;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace

std::optional<StringsTable> parseText(std::string_view text) {
  TextReader reader(text);
  StringsTable table;
  while (true) {
    if (!reader.skipBlanks()) return std::nullopt;
    if (reader.atEnd()) return table;
    auto key = reader.string();
    if (!key || !reader.skipBlanks() || reader.atEnd()) return std::nullopt;
    std::optional<std::string> value;
    if (reader.peek() == ';') {
      value = *key;
    } else {
      if (reader.peek() != '=') return std::nullopt;
      reader.advance();
      if (!reader.skipBlanks()) return std::nullopt;
      value = reader.string();
      if (!value || !reader.skipBlanks() || reader.atEnd() || reader.peek() != ';') return std::nullopt;
    }
    reader.advance();  // the ";"
    table.insert_or_assign(std::move(*key), std::move(*value));
    if (table.size() > kMaxStringsEntries) return std::nullopt;
  }
}

std::optional<StringsTable> parse(std::span<const std::uint8_t> bytes) {
  if (bytes.size() > kMaxStringsFileBytes) return std::nullopt;
  PlistLimits limits;
  limits.maxBytes = kMaxStringsFileBytes;
  limits.maxObjects = 2 * kMaxStringsEntries + 1;
  limits.maxDepth = 8;
  if (bytes.size() >= kBinaryPlistMagic.size() &&
      std::string_view(reinterpret_cast<const char*>(bytes.data()), kBinaryPlistMagic.size()) == kBinaryPlistMagic)
    return fromPropertyList(plist::parseBinary(bytes, limits));

  std::optional<std::string> text;
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    text = decodeUTF16(bytes.subspan(2), false);
  } else if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
    text = decodeUTF16(bytes.subspan(2), true);
  } else {
    std::string_view raw(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (raw.substr(0, 3) == "\xEF\xBB\xBF") raw.remove_prefix(3);
    text = utf8::sanitized(raw);
  }
  if (!text) return std::nullopt;
  std::size_t first = text->find_first_not_of(" \t\r\n");
  // A property list in XML: the parser reads the encoding from the bytes themselves.
  if (first != std::string::npos && (*text)[first] == '<') return fromPropertyList(plist::parseXML(bytes, limits));
  return parseText(*text);
}

}  // namespace corvane::strings
