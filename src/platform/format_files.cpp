#include "platform/format_files.h"

#include "platform/file_io.h"

namespace corvane::plist {

Result<PropertyList> readFile(const std::string& path, const PlistLimits& limits) {
  auto bytes = platform::readFileBytes(path, limits.maxBytes);
  if (!bytes.has_value()) return bytes.error();
  auto parsed = parse(*bytes, limits);
  if (parsed.has_value()) return parsed;
  Error error = parsed.error();
  error.path = path;
  return error;
}

}  // namespace corvane::plist

namespace corvane::bom {

Result<std::vector<std::string>> readPathsFromFile(const std::string& path, const Limits& limits) {
  auto bytes = platform::readFileBytes(path, limits.maxFileBytes);
  if (!bytes.has_value()) return bytes.error();
  auto paths = readPaths(*bytes, limits);
  if (!paths.has_value()) return Error{0, "read", path, paths.error().message};
  return paths;
}

}  // namespace corvane::bom
