#pragma once
// Reading a bundle's information property list: Contents/Info.plist, or Info.plist at the top of a
// bundle without a Contents folder. XML and binary lists alike.

#include <cstddef>
#include <optional>
#include <string>

#include "corvane/property_list.h"

namespace corvane::bundle {

// Information property lists larger than this are not read.
inline constexpr std::size_t kMaxInfoPlistBytes = 4u << 20;

// The bundle's information dictionary; none when the location is not a folder, the list is missing,
// unreadable, malformed or not a dictionary.
std::optional<PropertyList> infoDictionary(const std::string& bundlePath);

// CFBundleIdentifier when it is text.
std::optional<std::string> identifier(const std::string& bundlePath);

}  // namespace corvane::bundle
