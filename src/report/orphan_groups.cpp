#include "report/orphan_groups.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <string_view>

#include "corvane/analysis/finding_ids.h"
#include "corvane/orphans/orphan_guidance.h"
#include "report/finding_text.h"
#include "report/json_dialect.h"

namespace corvane::report {

namespace {

// Whether `text` is well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isWellFormedUTF8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char c = byte(i);
    if (c < 0x80) {
      ++i;
      continue;
    }
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) length = 2;
    else if (c >= 0xE0 && c <= 0xEF) length = 3, low = c == 0xE0 ? 0xA0 : 0x80, high = c == 0xED ? 0x9F : 0xBF;
    else if (c >= 0xF0 && c <= 0xF4) length = 4, low = c == 0xF0 ? 0x90 : 0x80, high = c == 0xF4 ? 0x8F : 0xBF;
    else return false;
    if (text.size() - i < length || byte(i + 1) < low || byte(i + 1) > high) return false;
    for (std::size_t k = 2; k < length; ++k)
      if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return false;
    i += length;
  }
  return true;
}

// The bytes written as they are inside a JSON string: all but the controls, '"', '\\' and those from 0x80 up
// (which are checked for well-formed UTF-8).
constexpr std::array<bool, 256> kPlain = [] {
  std::array<bool, 256> plain{};
  for (int c = 0x20; c < 0x80; ++c) plain[static_cast<std::size_t>(c)] = c != '"' && c != '\\';
  return plain;
}();

// The length of the leading run of `text` written as it is, eight bytes at a time. A word is taken whole
// only when none of its bytes is a control, '"', '\\' or from 0x80 up; the rest goes byte by byte.
std::size_t plainRun(std::string_view text) {
  constexpr std::uint64_t kOnes = 0x0101010101010101u;
  constexpr std::uint64_t kHighs = 0x8080808080808080u;
  // Flags every zero byte of `w` (and may flag bytes after one, which only sends that word byte by byte).
  const auto zeroBytes = [](std::uint64_t w) { return (w - kOnes) & ~w & kHighs; };
  std::size_t i = 0;
  for (; i + 8 <= text.size(); i += 8) {
    std::uint64_t w;
    std::memcpy(&w, text.data() + i, 8);
    const std::uint64_t special = ((w - kOnes * 0x20) & ~w & kHighs) | zeroBytes(w ^ (kOnes * '"')) |
                                  zeroBytes(w ^ (kOnes * '\\')) | (w & kHighs);
    if (special != 0) break;
  }
  while (i < text.size() && kPlain[static_cast<unsigned char>(text[i])]) ++i;
  return i;
}

// A new line and the indent of any depth the documents reach.
constexpr std::string_view kNewLine = "\n                                                                ";

// Writes pretty JSON with two-space indents, byte for byte as the JSON values print themselves.
class PrettyWriter {
 public:
  PrettyWriter(std::string& out, int depth, OrphanGroupsJSON::Dates& dates) : out_(out), depth_(depth), dates_(dates) {}

  void open(char bracket) {
    out_ += bracket;
    ++depth_;
    first_ = true;
  }
  void close(char bracket) {
    --depth_;
    if (!first_) newline();
    out_ += bracket;
    first_ = false;
  }
  // Before an object's member; `name` needs no escapes.
  void key(std::string_view name) {
    // The comma, new line, indent and name go out in one piece.
    char text[128];
    const std::size_t indent = 1 + static_cast<std::size_t>(depth_) * 2;
    if (indent > kNewLine.size() || name.size() > sizeof text - 5 - kNewLine.size()) {
      item();
      out_ += '"';
      out_.append(name);
      out_.append("\": ", 3);
      return;
    }
    std::size_t n = 0;
    if (!first_) text[n++] = ',';
    first_ = false;
    std::memcpy(text + n, kNewLine.data(), indent);
    n += indent;
    text[n++] = '"';
    std::memcpy(text + n, name.data(), name.size());
    n += name.size();
    std::memcpy(text + n, "\": ", 3);
    out_.append(text, n + 3);
  }
  // Before an array's element.
  void item() {
    if (!first_) out_ += ',';
    newline();
    first_ = false;
  }
  void string(std::string_view text) {
    const std::size_t start = out_.size();
    std::size_t run = plainRun(text);  // the first character not yet written
    out_ += '"';
    if (run == text.size()) {
      out_.append(text);
      out_ += '"';
      return;
    }
    out_.append(text.substr(0, run));
    bool wellFormed = false;  // the rest was found well-formed UTF-8
    for (std::size_t i = run; i < text.size(); ++i) {
      const auto c = static_cast<unsigned char>(text[i]);
      if (kPlain[c]) continue;
      if (c >= 0x80) {
        if (wellFormed || (wellFormed = isWellFormedUTF8(text.substr(i)))) continue;
        // Written with its faults replaced, as the JSON values do.
        out_.resize(start);
        out_ += json::Json(std::string(text)).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        return;
      }
      out_.append(text.substr(run, i - run));
      run = i + 1;
      escape(c);
    }
    out_.append(text.substr(run));
    out_ += '"';
  }
  // Text that needs no escapes: identifiers, names of kinds.
  void plain(std::string_view text) {
    out_ += '"';
    out_.append(text);
    out_ += '"';
  }
  void uuid(const Uuid& id) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    char text[38];
    std::size_t n = 0;
    text[n++] = '"';
    for (std::size_t i = 0; i < 16; ++i) {
      if (i == 4 || i == 6 || i == 8 || i == 10) text[n++] = '-';
      text[n++] = kHex[id.bytes()[i] >> 4];
      text[n++] = kHex[id.bytes()[i] & 0xF];
    }
    text[n++] = '"';
    out_.append(text, n);
  }
  // Findings made in one pass mostly share their second: each second is written out once.
  void date(Date value) {
    if (dates_.text.empty() || dates_.last != value) {
      dates_.last = value;
      dates_.text = '"' + date::iso8601(value) + '"';
    }
    out_.append(dates_.text);
  }
  template <class Number>
  void number(Number value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out_.append(digits, end);
  }
  void boolean(bool value) { value ? out_.append("true", 4) : out_.append("false", 5); }

  template <class T, class Write>
  void member(std::string_view name, const std::optional<T>& value, Write write) {
    if (!value) return;
    key(name);
    write(*value);
  }

 private:
  void escape(unsigned char c) {
    static constexpr char kHex[] = "0123456789abcdef";
    switch (c) {
      case '"': out_ += "\\\""; break;
      case '\\': out_ += "\\\\"; break;
      case '\b': out_ += "\\b"; break;
      case '\f': out_ += "\\f"; break;
      case '\n': out_ += "\\n"; break;
      case '\r': out_ += "\\r"; break;
      case '\t': out_ += "\\t"; break;
      default:
        out_ += "\\u00";
        out_ += kHex[c >> 4];
        out_ += kHex[c & 0xF];
    }
  }

  void newline() {
    const std::size_t length = 1 + static_cast<std::size_t>(depth_) * 2;
    if (length <= kNewLine.size()) {
      out_.append(kNewLine.data(), length);
    } else {
      out_ += '\n';
      out_.append(length - 1, ' ');
    }
  }

  std::string& out_;
  int depth_;
  OrphanGroupsJSON::Dates& dates_;
  bool first_ = true;
};

// A finding in its JSON form in the dialect: its location as "path".
void writeFinding(PrettyWriter& w, const FileFinding& f) {
  std::string_view path = f.url.rawPath();  // as Url::path gives it, without a copy
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  w.open('{');
  w.key("id"), w.uuid(f.id);
  w.key("path"), w.string(path);
  w.key("kind"), w.plain(stringValue(f.kind));
  w.key("confidence"), w.plain(stringValue(f.confidence));
  w.key("score"), w.number(f.score);
  w.key("evidence");
  w.open('[');
  for (const auto& e : f.evidence) {
    w.item();
    w.open('{');
    w.key("id"), w.uuid(e.id);
    w.key("kind"), w.plain(stringValue(e.kind));
    w.key("explanation"), w.string(e.explanation);
    w.key("weight"), w.number(e.weight);
    w.close('}');
  }
  w.close(']');
  w.member("byteCount", f.byteCount, [&](std::int64_t v) { w.number(v); });
  w.member("modifiedAt", f.modifiedAt, [&](Date v) { w.date(v); });
  w.key("isProtectedLocation"), w.boolean(f.isProtectedLocation);
  w.member("displayName", f.displayName, [&](const std::string& v) { w.string(v); });
  w.member("diskIdentity", f.diskIdentity, [&](const DiskIdentity& v) {
    w.open('{');
    w.key("device"), w.number(v.device);
    w.key("fileNumber"), w.number(v.fileNumber);
    w.key("fileType"), w.number(v.fileType);
    w.close('}');
  });
  w.close('}');
}

void writeGroup(std::string& out, int depth, const OrphanGroup& group, OrphanGroupsJSON::Dates& dates) {
  const OrphanGuidanceSummary summary = OrphanGuidance::summary(group.findings);
  PrettyWriter w(out, depth, dates);
  w.open('{');
  w.key("suspectedBundleIdentifier"), w.string(group.suspectedBundleIdentifier);
  w.key("headline"), w.string(summary.headline);
  w.key("points");
  w.open('[');
  for (const auto& point : summary.points) w.item(), w.string(point);
  w.close(']');
  w.key("findings");
  w.open('[');
  for (const auto& f : group.findings) w.item(), writeFinding(w, f);
  w.close(']');
  w.close('}');
}

// Writes out what is pending once it is large, or at the end: few large writes.
void flush(std::ostream& out, std::string& pending, bool end = false) {
  constexpr std::size_t kWriteSize = 1 << 16;
  if (!end && pending.size() < kWriteSize) return;
  out.write(pending.data(), static_cast<std::streamsize>(pending.size()));
  if (end) out.flush();
  pending.clear();
}

}  // namespace

OrphanGroupsText::OrphanGroupsText(std::ostream& out, Options options) : out_(out), options_(std::move(options)) {}

void OrphanGroupsText::add(const OrphanGroup& group) {
  const OrphanGuidanceSummary summary = OrphanGuidance::summary(group.findings);
  std::string& text = pending_;
  if (!empty_) text += "\n";
  empty_ = false;
  text.append(group.suspectedBundleIdentifier).append("\n  ").append(summary.headline).append("\n");
  for (const auto& f : group.findings) {
    text.append("  ").append(FindingIDs::shortForm(f.id)).append("  ").append(tierName(f.confidence, options_.colour));
    text.append(" · ").append(stringValue(f.kind)).append(" · ");
    text.append(FindingIDs::macStylePath(f.url.path(), options_.shown)).append("\n");
    for (const auto& e : f.evidence) text.append("            ").append(e.explanation).append("\n");
  }
  for (const auto& point : summary.points)
    text.append("  * ").append(options_.point ? options_.point(point) : point).append("\n");
  flush(out_, pending_);
}

void OrphanGroupsText::finish() {
  if (empty_) pending_ += "No leftovers of removed apps found.\n";
  flush(out_, pending_, true);
}

OrphanGroupsJSON::OrphanGroupsJSON(std::ostream& out) : out_(out) {}

std::string OrphanGroupsJSON::groupText(const OrphanGroup& group) {
  std::string text;
  Dates dates;
  writeGroup(text, 0, group, dates);
  return text;
}

void OrphanGroupsJSON::add(const OrphanGroup& group) {
  pending_ += empty_ ? "{\n  \"groups\": [\n    " : ",\n    ";
  empty_ = false;
  writeGroup(pending_, 2, group, dates_);
  flush(out_, pending_);
}

void OrphanGroupsJSON::finish(const json::Json& backgroundItemStoreStatus) {
  pending_ += empty_ ? "{\n  \"groups\": []" : "\n  ]";
  pending_ += ",\n  \"backgroundItemStoreStatus\": ";
  for (char c : json::pretty(inDialect(backgroundItemStoreStatus))) pending_ += c == '\n' ? "\n  " : std::string(1, c);
  pending_ += "\n}\n";
  flush(out_, pending_, true);
}

json::Json encodeStoreStatus(const BackgroundItemStoreStatus& status) {
  using Kind = BackgroundItemStoreStatus::Kind;
  json::Json j = json::Json::object();
  j["kind"] = std::string(caseName(status.kind));
  if (status.kind == Kind::parsed || status.kind == Kind::degraded || status.kind == Kind::unreadableShape)
    j["version"] = status.version;
  if (status.kind == Kind::parsed || status.kind == Kind::degraded) j["filesParsed"] = status.filesParsed;
  if (status.kind == Kind::degraded) {
    j["filesSkipped"] = status.filesSkipped;
    j["truncated"] = status.truncated;
  }
  if (status.kind == Kind::unreadableShape) j["files"] = status.files;
  return j;
}

std::string incompleteScan(const std::vector<std::string>& unreadable, const std::string& consequence) {
  if (unreadable.empty()) return "";
  std::string folders;
  for (const auto& folder : unreadable) folders += (folders.empty() ? "" : ", ") + folder;
  return "the scan is incomplete: " + folders +
         " could not be read, so no leftover can be told apart from an installed app's data; " + consequence + ".";
}

}  // namespace corvane::report
