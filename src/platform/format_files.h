#pragma once
// The byte readers applied to files: each reads at most its limit's bytes and parses them.

#include <string>
#include <vector>

#include "corvane/base/result.h"
#include "corvane/formats/property_list.h"
#include "corvane/platform/file_system.h"
#include "formats/bom_reader.h"

namespace corvane::plist {

// Reads a file (at most limits.maxBytes) from `fileSystem` and parses it; errors carry the path.
Result<PropertyList> readFile(const platform::FileSystem& fileSystem, const std::string& path,
                              const PlistLimits& limits = {});
// The same on this machine's disk.
Result<PropertyList> readFile(const std::string& path, const PlistLimits& limits = {});

}  // namespace corvane::plist

namespace corvane::bom {

// bom::readPaths for a file of at most limits.maxFileBytes on `fileSystem`, or on this machine's disk.
Result<std::vector<std::string>> readPathsFromFile(const platform::FileSystem& fileSystem, const std::string& path,
                                                   const Limits& limits = {});
Result<std::vector<std::string>> readPathsFromFile(const std::string& path, const Limits& limits = {});

}  // namespace corvane::bom
