#pragma once
// Reading a bundle's information property list where each kind of bundle keeps it: Contents/Info.plist
// (applications and most plug-ins), Resources/Info.plist (frameworks, whose Resources is a link into
// Versions/Current), or Info.plist at the top of a flat bundle. XML and binary lists alike. Links inside the
// bundle are followed only while they stay inside it. Everything is read through the file system given.

#include <cstddef>
#include <optional>
#include <string>

#include "corvane/formats/property_list.h"
#include "corvane/platform/file_system.h"
#include "formats/strings_table.h"

namespace corvane::bundle {

// Information property lists larger than this are not read.
inline constexpr std::size_t kMaxInfoPlistBytes = 4u << 20;
// Links followed while one path inside a bundle is resolved.
inline constexpr int kMaxLinksInsideBundle = 16;
// Link targets longer than this are not followed.
inline constexpr std::size_t kMaxLinkTargetBytes = 4096;

// The bundle's information dictionary; none when the location is not a folder, the list is missing,
// unreadable, malformed or not a dictionary.
std::optional<PropertyList> infoDictionary(const platform::FileSystem& fs, const std::string& bundlePath);

// CFBundleIdentifier when it is text.
std::optional<std::string> identifier(const platform::FileSystem& fs, const std::string& bundlePath);

// The localizations whose InfoPlist.strings are read, in order; the first one the bundle has is used, then
// the bundle's CFBundleDevelopmentRegion.
inline constexpr const char* kPreferredLocalizations[] = {"en", "English"};

// The InfoPlist.strings table of the bundle's localization (see kPreferredLocalizations); empty when the
// bundle has none or it cannot be read. `info` is the bundle's information dictionary.
strings::StringsTable localizedInfoStrings(const platform::FileSystem& fs, const std::string& bundlePath,
                                           const PropertyList& info);

// `relative` (components separated by "/") resolved below `root`: links are followed while their targets are
// relative and stay below `root`, "." and ".." are taken lexically. None when a component is missing, a link
// is absolute, leads outside, or more than kMaxLinksInsideBundle links are met.
std::optional<std::string> resolveInside(const platform::FileSystem& fs, const std::string& root,
                                         const std::string& relative);

}  // namespace corvane::bundle
