#pragma once
// A file URL: an absolute POSIX path, written as "file://" plus the percent-encoded path.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

class Url {
 public:
  Url() = default;
  // The path is kept as given (a folder URL may end in "/"); it should be absolute.
  static Url fileURL(std::string path);
  // Reads "file:///a%20b" (or "file://localhost/..."); anything else is no URL.
  static std::optional<Url> parse(std::string_view text);

  // The path without a trailing slash ("/" stays "/").
  std::string path() const;
  // The path exactly as stored.
  const std::string& rawPath() const { return path_; }
  // "file://" + percent-encoded path, as macOS writes file URLs.
  std::string absoluteString() const;
  // The last path component, never with a slash; "/" for the root.
  std::string lastPathComponent() const;
  // The extension of the last component (after its last "."), without the dot; empty when none.
  std::string pathExtension() const;
  Url deletingLastPathComponent() const;
  Url appending(std::string_view component) const;
  // The same location with "." and ".." segments removed (links are not resolved).
  Url standardized() const;
  bool isEmpty() const { return path_.empty(); }

  bool operator==(const Url& other) const { return path_ == other.path_; }
  bool operator<(const Url& other) const { return path_ < other.path_; }

 private:
  explicit Url(std::string path) : path_(std::move(path)) {}
  std::string path_;
};

namespace url {
// Percent-encodes a path as file URLs carry it: letters, digits and "!$&'()*+,-./:;=@_~" stay.
std::string percentEncodePath(std::string_view path);
// Undoes percent-encoding; malformed escapes give no value.
std::optional<std::string> percentDecode(std::string_view text);
// The path's components: "/" first for an absolute path, then every non-empty piece.
std::vector<std::string> pathComponents(std::string_view path);
// Removes "." and ".." segments, repeated and trailing slashes, without resolving links
// ("/a/./b/../c/" -> "/a/c"; ".." at the root stays at the root).
std::string standardizedPath(std::string_view path);
}  // namespace url

}  // namespace corvane

template <>
struct std::hash<corvane::Url> {
  std::size_t operator()(const corvane::Url& u) const noexcept { return std::hash<std::string>{}(u.rawPath()); }
};
