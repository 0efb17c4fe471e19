#pragma once
// What apps that were removed without an uninstaller leave in a sample Mac's home Library, beside things
// that only look like leftovers (the system's own items, a shared SDK's cache, a test fixture, an item of
// a running app, an item of an installed app's developer). Built on top of buildDemoMac.

#include <string>

#include "corvane/model/app_identity.h"
#include "sample_mac/sample_mac.h"

namespace corvane::testing {

// The removed apps, their leftovers, and the look-alikes. Glimmer's preferences are 120 days old.
inline constexpr char kGlimmerIdentifier[] = "com.glimmerapps.Glimmer";
inline constexpr char kTidepoolIdentifier[] = "com.tidepool.mixer";
inline constexpr char kCopperlineIdentifier[] = "io.github.copperline.notes";
// Not installed but running (say, from a disk image); the caller reports it as running.
inline constexpr char kRunningOnlyIdentifier[] = "com.stormglass.monitor";
// Named like the installed Northwind apps' developer.
inline constexpr char kNorthwindPlannerIdentifier[] = "com.northwind.planner";

void addRemovedAppLeftovers(SampleMac& mac);

// What the uninstall history knows of Glimmer (its crash reports carry only its name).
AppIdentity glimmerIdentity();
// Appends an uninstall of Glimmer to the sample Mac's history file; false when it could not be written.
bool recordGlimmerUninstall(const SampleMac& mac);

}  // namespace corvane::testing
