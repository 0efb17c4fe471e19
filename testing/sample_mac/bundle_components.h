#pragma once
// Writes what an app bundle may carry inside itself: nested bundles (login items, app extensions,
// system extensions, helpers), launch-agent definitions, and information property lists in either format.

#include <optional>
#include <string>

#include "corvane/formats/property_list.h"

namespace corvane::testing {

enum class PlistFormat { xml, binary };

// The component folders inside an app bundle.
inline constexpr const char* kLoginItemsFolder = "Contents/Library/LoginItems";
inline constexpr const char* kPlugInsFolder = "Contents/PlugIns";
inline constexpr const char* kSystemExtensionsFolder = "Contents/Library/SystemExtensions";
inline constexpr const char* kLaunchServicesFolder = "Contents/Library/LaunchServices";
inline constexpr const char* kLaunchAgentsFolder = "Contents/Library/LaunchAgents";

// A nested bundle `fileName` (e.g. "Agent.app", "Sync.appex") in `relativeFolder` of the app bundle, with
// a Contents/Info.plist naming `bundleIdentifier` when given (and no Info.plist otherwise). Returns its path.
std::string addNestedBundle(const std::string& appBundle, const std::string& relativeFolder,
                            const std::string& fileName, const std::optional<std::string>& bundleIdentifier);

// A launch-agent definition `fileName` in Contents/Library/LaunchAgents holding `definition`.
std::string addLaunchAgentDefinition(const std::string& appBundle, const std::string& fileName,
                                     const PropertyList& definition, PlistFormat format = PlistFormat::xml);
// The usual definition: {"Label": label, "ProgramArguments": [...]}.
PropertyList launchAgentDefinition(const std::string& label);

// A framework in its real layout at `path` (e.g. ".../Kit.framework"): Versions/A holding the binary and
// Resources/Info.plist (naming `bundleIdentifier`), with the links Versions/Current -> A,
// Resources -> Versions/Current/Resources and <name> -> Versions/Current/<name>. Returns `path`.
std::string addFramework(const std::string& path, const std::string& bundleIdentifier);

// Replaces the bundle's Contents/Info.plist with `info` written in `format`. Returns the file's path.
std::string writeInfoPlist(const std::string& bundle, const PropertyList& info, PlistFormat format);

}  // namespace corvane::testing
