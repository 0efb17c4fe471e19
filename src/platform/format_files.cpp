#include "platform/format_files.h"

namespace corvane::plist {

Result<PropertyList> readFile(const platform::FileSystem& fileSystem, const std::string& path,
                              const PlistLimits& limits) {
  auto bytes = fileSystem.readFile(path, limits.maxBytes);
  if (!bytes.has_value()) return bytes.error();
  auto parsed = parse(*bytes, limits);
  if (parsed.has_value()) return parsed;
  Error error = parsed.error();
  error.path = path;
  return error;
}

Result<PropertyList> readFile(const std::string& path, const PlistLimits& limits) {
  return readFile(platform::realFileSystem(), path, limits);
}

}  // namespace corvane::plist

namespace corvane::bom {

Result<std::vector<std::string>> readPathsFromFile(const platform::FileSystem& fileSystem, const std::string& path,
                                                   const Limits& limits) {
  auto bytes = fileSystem.readFile(path, limits.maxFileBytes);
  if (!bytes.has_value()) return bytes.error();
  auto paths = readPaths(*bytes, limits);
  if (!paths.has_value()) return Error{0, "read", path, paths.error().message};
  return paths;
}

Result<std::vector<std::string>> readPathsFromFile(const std::string& path, const Limits& limits) {
  return readPathsFromFile(platform::realFileSystem(), path, limits);
}

}  // namespace corvane::bom
