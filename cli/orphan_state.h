#pragma once
// What the orphan commands share: the scan of a Mac with its installed apps, the apps its uninstall history
// recorded as removed and the background items the user already turned off (remembered in Corvane's own
// folder), the --scope option, and the JSON form of the background-items database's status.

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "corvane/orphans/orphan_scanner.h"
#include "report/orphan_groups.h"

namespace corvane::cli {

// Every installed application, remembered in the installed-apps catalog on the way (a catalog that
// cannot be written is left as it is: the listing still answers).
std::vector<InstalledApplication> listApps(const Layout& layout);

// The orphan scan, with the identities of removed apps from the history and the installed-apps catalog;
// every finding carries its stable id.
// `progress` (when given) hears how many entries were examined so far.
OrphanScanResult scanOrphans(const Layout& layout, std::function<void(std::uint64_t)> progress = {});

// When `unreadable` (application folders) is not empty: prints the one line saying the scan is incomplete,
// ending in `consequence` ("nothing is listed"), and returns true.
bool reportIncompleteScan(const std::vector<std::string>& unreadable, Context& context, const std::string& command,
                          const std::string& consequence);

// Takes --scope UUID into the layout's login scope; false (after a usage message) for a malformed value.
bool applyScope(const ParsedArguments& args, Context& context, const std::string& command);

using report::encodeStoreStatus;

}  // namespace corvane::cli
