#pragma once
// Whether an app extension is turned on, from the plug-in registry tool's listing (one extension per
// line, each line starting with its state mark; "+" means enabled). The caller runs the tool.

#include <optional>
#include <string_view>

namespace corvane {

namespace FinderExtensionState {

// True when a line naming `bundleID` starts with "+", false when lines name it but none starts with "+",
// none when no line names it. A line "names" the identifier when it contains it anywhere (case-sensitive).
std::optional<bool> isEnabled(std::string_view pluginkitOutput, std::string_view bundleID);

}  // namespace FinderExtensionState

}  // namespace corvane
