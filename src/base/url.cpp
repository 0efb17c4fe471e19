#include "corvane/base/url.h"

#include "base/url_reading.h"

namespace corvane {

namespace {

bool keepsLiteral(unsigned char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  switch (c) {
    case '!': case '$': case '&': case '\'': case '(': case ')': case '*': case '+': case ',':
    case '-': case '.': case '/': case ':': case ';': case '=': case '@': case '_': case '~':
      return true;
    default:
      return false;
  }
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

namespace url {

std::string percentEncodePath(std::string_view path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(path.size());
  for (unsigned char c : path) {
    if (keepsLiteral(c)) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 0xF]);
    }
  }
  return out;
}

std::optional<std::string> percentDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out.push_back(text[i]);
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    int hi = hexValue(text[i + 1]);
    int lo = hexValue(text[i + 2]);
    if (hi < 0 || lo < 0) return std::nullopt;
    out.push_back(static_cast<char>(hi * 16 + lo));
    i += 2;
  }
  return out;
}

std::vector<std::string> pathComponents(std::string_view path) {
  std::vector<std::string> parts;
  if (!path.empty() && path.front() == '/') parts.emplace_back("/");
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) parts.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

std::string standardizedPath(std::string_view path) {
  bool absolute = !path.empty() && path.front() == '/';
  std::vector<std::string_view> kept;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    std::string_view part = path.substr(start, end - start);
    if (part.empty() || part == ".") {
      // nothing
    } else if (part == "..") {
      if (!kept.empty() && kept.back() != "..") {
        kept.pop_back();
      } else if (!absolute) {
        kept.push_back(part);
      }
    } else {
      kept.push_back(part);
    }
    start = end + 1;
  }
  std::string out = absolute ? "/" : "";
  for (std::size_t i = 0; i < kept.size(); ++i) {
    if (i > 0) out.push_back('/');
    out.append(kept[i]);
  }
  if (out.empty()) out = ".";
  return out;
}

}  // namespace url

Url Url::fileURL(std::string path) { return Url(std::move(path)); }

std::optional<Url> Url::parse(std::string_view text) {
  auto read = url::readFileURL(text);
  if (!read.has_value()) return std::nullopt;
  return std::move(read).value();
}

Result<Url> url::readFileURL(std::string_view text) {
  constexpr std::string_view kScheme = "file://";
  const std::string given(text);
  if (text.substr(0, kScheme.size()) != kScheme) return Error::invalid("not a file URL", given);
  text.remove_prefix(kScheme.size());
  if (text.substr(0, 9) == "localhost") text.remove_prefix(9);
  if (text.empty() || text.front() != '/') return Error::invalid("not an absolute path", given);
  auto decoded = url::percentDecode(text);
  if (!decoded) return Error::invalid("a malformed percent escape", given);
  if (decoded->find('\0') != std::string::npos) return Error::invalid("a NUL byte in the path", given);
  return Url::fileURL(std::move(*decoded));
}

std::string Url::path() const {
  std::string p = path_;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  return p;
}

std::string Url::absoluteString() const { return "file://" + url::percentEncodePath(path_); }

std::string Url::lastPathComponent() const {
  std::string p = path();
  if (p == "/") return p;
  auto slash = p.rfind('/');
  return slash == std::string::npos ? p : p.substr(slash + 1);
}

std::string Url::pathExtension() const {
  std::string name = lastPathComponent();
  auto dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0 || dot + 1 == name.size()) return {};
  return name.substr(dot + 1);
}

Url Url::deletingLastPathComponent() const {
  std::string p = path();
  auto slash = p.rfind('/');
  if (slash == std::string::npos) return Url(".");
  if (slash == 0) return Url("/");
  return Url(p.substr(0, slash));
}

Url Url::standardized() const { return Url(url::standardizedPath(path_)); }

Url Url::appending(std::string_view component) const {
  std::string_view base = path_;
  while (base.size() > 1 && base.back() == '/') base.remove_suffix(1);
  while (!component.empty() && component.front() == '/') component.remove_prefix(1);
  std::string p;
  p.reserve(base.size() + 1 + component.size());
  p.append(base);
  if (p.empty() || p.back() != '/') p.push_back('/');
  p.append(component);
  return Url(std::move(p));
}

}  // namespace corvane
