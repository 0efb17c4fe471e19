// The XML property-list format, read with expat into PropertyList values.

#include <expat.h>

#include <charconv>
#include <chrono>
#include <cmath>
#include <limits>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "corvane/base/date.h"
#include "corvane/formats/property_list.h"
#include "base/decimal_number.h"

namespace corvane::plist {

namespace {

constexpr std::string_view kPrefix = "XML property list: ";
// Seconds from 1970-01-01 to 2001-01-01.
constexpr std::int64_t kUnixSecondsAt2001 = 978307200;
// expat takes lengths as int: feed it in slices.
constexpr std::size_t kFeedSlice = 1u << 20;

enum class Tag { plist, dict, array, key, string, integer, real, yes, no, date, data };

std::optional<Tag> tagNamed(std::string_view name) {
  static constexpr std::pair<std::string_view, Tag> kTags[] = {
      {"plist", Tag::plist},   {"dict", Tag::dict}, {"array", Tag::array}, {"key", Tag::key},
      {"string", Tag::string}, {"integer", Tag::integer}, {"real", Tag::real}, {"true", Tag::yes},
      {"false", Tag::no},      {"date", Tag::date}, {"data", Tag::data}};
  for (const auto& [n, tag] : kTags)
    if (n == name) return tag;
  return std::nullopt;
}

bool holdsText(Tag tag) {
  return tag == Tag::key || tag == Tag::string || tag == Tag::integer || tag == Tag::real || tag == Tag::date ||
         tag == Tag::data;
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  return text;
}

bool allSpace(std::string_view text) { return trimmed(text).empty(); }

// Decimal or "0x" hexadecimal, with an optional sign. Values from 2^63 to 2^64-1 keep their 64 bits.
std::optional<std::int64_t> parseInteger(std::string_view text) {
  text = trimmed(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty() || text.front() == '-' || text.front() == '+') return std::nullopt;
  std::uint64_t magnitude = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (negative) {
    if (magnitude > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + 1) return std::nullopt;
    return static_cast<std::int64_t>(0 - magnitude);
  }
  return static_cast<std::int64_t>(magnitude);
}

std::optional<double> parseReal(std::string_view text) {
  text = trimmed(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  // A value beyond the range of a double is refused rather than guessed at.
  return parseDecimalNumber(text);
}

std::optional<PlistDate> parseDate(std::string_view text) {
  auto date = date::parseISO8601(trimmed(text));
  if (!date) return std::nullopt;
  auto unixSeconds = date->time_since_epoch().count();
  return PlistDate{static_cast<double>(unixSeconds - kUnixSecondsAt2001)};
}

// Base64 with white space anywhere; padding may be left out.
std::optional<PlistData> parseBase64(std::string_view text) {
  PlistData out;
  out.bytes.reserve(text.size() / 4 * 3 + 3);
  std::uint32_t group = 0;
  int filled = 0;
  bool padded = false;
  for (char c : text) {
    if (isSpace(c)) continue;
    if (c == '=') {
      padded = true;
      continue;
    }
    if (padded) return std::nullopt;  // nothing but padding after padding
    int v;
    if (c >= 'A' && c <= 'Z') v = c - 'A';
    else if (c >= 'a' && c <= 'z') v = c - 'a' + 26;
    else if (c >= '0' && c <= '9') v = c - '0' + 52;
    else if (c == '+') v = 62;
    else if (c == '/') v = 63;
    else return std::nullopt;
    group = (group << 6) | static_cast<std::uint32_t>(v);
    if (++filled == 4) {
      out.bytes.push_back(static_cast<std::uint8_t>(group >> 16));
      out.bytes.push_back(static_cast<std::uint8_t>(group >> 8));
      out.bytes.push_back(static_cast<std::uint8_t>(group));
      group = 0;
      filled = 0;
    }
  }
  if (filled == 1) return std::nullopt;
  if (filled == 2) out.bytes.push_back(static_cast<std::uint8_t>(group >> 4));
  if (filled == 3) {
    out.bytes.push_back(static_cast<std::uint8_t>(group >> 10));
    out.bytes.push_back(static_cast<std::uint8_t>(group >> 2));
  }
  return out;
}

// Keyed archives write a reference in XML as a dictionary holding only "CF$UID".
std::optional<PlistUID> archiveReference(const PlistDictionary& dictionary) {
  if (dictionary.size() != 1 || dictionary.front().first != "CF$UID") return std::nullopt;
  auto index = dictionary.front().second.asInteger();
  if (!index || *index < 0 || *index > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
  return PlistUID{static_cast<std::uint64_t>(*index)};
}

struct Frame {
  Tag tag;
  std::string text;                      // key and scalar elements
  PlistArray array;                      // array
  PlistDictionary dictionary;            // dict
  std::optional<std::string> pendingKey; // dict: a key waiting for its value
  bool hasValue = false;                 // plist: its one value arrived
};

class Reader {
 public:
  Reader(XML_Parser parser, const PlistLimits& limits) : parser_(parser), limits_(limits) {
    depthLimit_ = std::min(limits.maxDepth, PlistLimits::kDepthCeiling);
  }

  bool failed() const { return error_.has_value(); }
  const std::string& error() const { return *error_; }
  std::optional<PropertyList>& result() { return result_; }

  void fail(const std::string& message) {
    if (error_) return;
    error_ = std::string(kPrefix) + message + " (line " + std::to_string(XML_GetCurrentLineNumber(parser_)) + ")";
    XML_StopParser(parser_, XML_FALSE);
  }

  void start(std::string_view name) {
    auto tag = tagNamed(name);
    if (!tag) return fail("unknown element <" + std::string(name) + ">");
    if (++elements_ > limits_.maxObjects)
      return fail("more than " + std::to_string(limits_.maxObjects) + " elements");
    if (stack_.empty()) {
      if (*tag != Tag::plist) return fail("the root element is <" + std::string(name) + ">, not <plist>");
    } else {
      Frame& parent = stack_.back();
      switch (parent.tag) {
        case Tag::plist:
          if (*tag == Tag::plist || *tag == Tag::key) return fail("unexpected <" + std::string(name) + "> in <plist>");
          if (parent.hasValue) return fail("<plist> holds more than one value");
          break;
        case Tag::dict:
          if (*tag == Tag::plist) return fail("unexpected <plist> in <dict>");
          if (!parent.pendingKey && *tag != Tag::key)
            return fail("<" + std::string(name) + "> in <dict> without a <key>");
          if (parent.pendingKey && *tag == Tag::key) return fail("key \"" + *parent.pendingKey + "\" has no value");
          break;
        case Tag::array:
          if (*tag == Tag::plist || *tag == Tag::key) return fail("unexpected <" + std::string(name) + "> in <array>");
          break;
        default:
          return fail("unexpected <" + std::string(name) + "> inside <" + nameOf(parent.tag) + ">");
      }
    }
    if (*tag == Tag::dict || *tag == Tag::array) {
      if (++depth_ > depthLimit_) return fail("nesting deeper than " + std::to_string(depthLimit_));
    }
    stack_.push_back(Frame{*tag, {}, {}, {}, {}, false});
  }

  void end() {
    Frame frame = std::move(stack_.back());
    stack_.pop_back();
    std::optional<PropertyList> value;
    switch (frame.tag) {
      case Tag::plist:
        if (!frame.hasValue) return fail("<plist> holds no value");
        return;
      case Tag::key:
        stack_.back().pendingKey = std::move(frame.text);
        return;
      case Tag::dict: {
        --depth_;
        if (frame.pendingKey) return fail("key \"" + *frame.pendingKey + "\" has no value");
        if (auto uid = archiveReference(frame.dictionary)) value = PropertyList(*uid);
        else value = PropertyList(std::move(frame.dictionary));
        break;
      }
      case Tag::array:
        --depth_;
        value = PropertyList(std::move(frame.array));
        break;
      case Tag::string: value = PropertyList(std::move(frame.text)); break;
      case Tag::integer: {
        auto i = parseInteger(frame.text);
        if (!i) return fail("bad <integer> \"" + std::string(trimmed(frame.text)) + "\"");
        value = PropertyList(*i);
        break;
      }
      case Tag::real: {
        auto d = parseReal(frame.text);
        if (!d) return fail("bad <real> \"" + std::string(trimmed(frame.text)) + "\"");
        value = PropertyList(*d);
        break;
      }
      case Tag::date: {
        auto d = parseDate(frame.text);
        if (!d) return fail("bad <date> \"" + std::string(trimmed(frame.text)) + "\"");
        value = PropertyList(*d);
        break;
      }
      case Tag::data: {
        auto d = parseBase64(frame.text);
        if (!d) return fail("bad base64 in <data>");
        value = PropertyList(std::move(*d));
        break;
      }
      case Tag::yes: value = PropertyList(true); break;
      case Tag::no: value = PropertyList(false); break;
    }
    deliver(std::move(*value));
  }

  void text(std::string_view chunk) {
    if (stack_.empty()) return;  // expat itself refuses text outside the root element
    Frame& frame = stack_.back();
    if (holdsText(frame.tag)) {
      frame.text.append(chunk);
    } else if (!allSpace(chunk)) {
      fail("unexpected text inside <" + nameOf(frame.tag) + ">");
    }
  }

 private:
  static std::string nameOf(Tag tag) {
    static constexpr const char* kNames[] = {"plist", "dict", "array", "key",  "string", "integer",
                                             "real",  "true", "false", "date", "data"};
    return kNames[static_cast<int>(tag)];
  }

  void deliver(PropertyList value) {
    Frame& parent = stack_.back();
    switch (parent.tag) {
      case Tag::plist:
        parent.hasValue = true;
        result_ = std::move(value);
        break;
      case Tag::dict:
        parent.dictionary.emplace_back(std::move(*parent.pendingKey), std::move(value));
        parent.pendingKey.reset();
        break;
      case Tag::array: parent.array.push_back(std::move(value)); break;
      default: break;  // start() lets values in nowhere else
    }
  }

  XML_Parser parser_;
  const PlistLimits& limits_;
  std::size_t depthLimit_ = 0;
  std::size_t depth_ = 0;
  std::size_t elements_ = 0;
  std::vector<Frame> stack_;
  std::optional<PropertyList> result_;
  std::optional<std::string> error_;
};

// expat calls these from C: nothing may be thrown through it.
template <class F>
void guarded(void* userData, F&& f) {
  auto* reader = static_cast<Reader*>(userData);
  if (reader->failed()) return;
  try {
    f(*reader);
  } catch (const std::bad_alloc&) {
    reader->fail("out of memory");
  }
}

void XMLCALL onStart(void* userData, const XML_Char* name, const XML_Char**) {
  guarded(userData, [&](Reader& r) { r.start(name); });
}
void XMLCALL onEnd(void* userData, const XML_Char*) {
  guarded(userData, [&](Reader& r) { r.end(); });
}
void XMLCALL onText(void* userData, const XML_Char* s, int len) {
  guarded(userData, [&](Reader& r) { r.text(std::string_view(s, static_cast<std::size_t>(len))); });
}
void XMLCALL onEntityDeclaration(void* userData, const XML_Char* name, int, const XML_Char*, int, const XML_Char*,
                                 const XML_Char*, const XML_Char*, const XML_Char*) {
  guarded(userData, [&](Reader& r) { r.fail("entity declarations are not allowed (\"" + std::string(name) + "\")"); });
}
void XMLCALL onSkippedEntity(void* userData, const XML_Char* name, int) {
  guarded(userData, [&](Reader& r) { r.fail("undefined entity \"" + std::string(name) + "\""); });
}
int XMLCALL onExternalEntity(XML_Parser, const XML_Char*, const XML_Char*, const XML_Char*, const XML_Char*) {
  return XML_STATUS_ERROR;  // never load anything from outside the input
}

class ParserHandle {
 public:
  ParserHandle() : parser_(XML_ParserCreate(nullptr)) {}
  ~ParserHandle() {
    if (parser_) XML_ParserFree(parser_);
  }
  ParserHandle(const ParserHandle&) = delete;
  ParserHandle& operator=(const ParserHandle&) = delete;
  XML_Parser get() const { return parser_; }

 private:
  XML_Parser parser_;
};

}  // namespace

Result<PropertyList> parseXML(std::span<const std::uint8_t> bytes, const PlistLimits& limits) {
  if (bytes.size() > limits.maxBytes)
    return Error::invalid(std::string(kPrefix) + std::to_string(bytes.size()) + " bytes exceed the limit of " +
                          std::to_string(limits.maxBytes));
  ParserHandle handle;
  if (!handle.get()) return Error::invalid(std::string(kPrefix) + "out of memory");
  XML_Parser parser = handle.get();
  try {
    Reader reader(parser, limits);
    XML_SetUserData(parser, &reader);
    XML_SetElementHandler(parser, onStart, onEnd);
    XML_SetCharacterDataHandler(parser, onText);
    XML_SetEntityDeclHandler(parser, onEntityDeclaration);
    XML_SetSkippedEntityHandler(parser, onSkippedEntity);
    XML_SetExternalEntityRefHandler(parser, onExternalEntity);
    XML_SetParamEntityParsing(parser, XML_PARAM_ENTITY_PARSING_NEVER);

    std::size_t offset = 0;
    do {
      std::size_t slice = std::min(kFeedSlice, bytes.size() - offset);
      bool last = offset + slice == bytes.size();
      const char* at = reinterpret_cast<const char*>(bytes.data()) + offset;
      if (XML_Parse(parser, at, static_cast<int>(slice), last ? XML_TRUE : XML_FALSE) != XML_STATUS_OK) {
        if (reader.failed()) return Error::invalid(reader.error());
        return Error::invalid(std::string(kPrefix) + XML_ErrorString(XML_GetErrorCode(parser)) + " (line " +
                              std::to_string(XML_GetCurrentLineNumber(parser)) + ")");
      }
      offset += slice;
    } while (offset < bytes.size());
    if (reader.failed()) return Error::invalid(reader.error());
    if (!reader.result()) return Error::invalid(std::string(kPrefix) + "no value");
    return std::move(*reader.result());
  } catch (const std::bad_alloc&) {
    return Error::invalid(std::string(kPrefix) + "out of memory");
  }
}

}  // namespace corvane::plist
