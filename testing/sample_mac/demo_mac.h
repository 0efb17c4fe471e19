#pragma once
// A sample Mac that looks like a real one: some thirty apps with what they leave behind in the home and
// system Library folders. The demo, the end-to-end tests and the benchmark are built on it.

#include <string>
#include <vector>

#include "sample_mac/sample_mac.h"

namespace corvane::testing {

struct DemoApp {
  std::string name;
  std::string bundleIdentifier;
  std::string path;  // the bundle, below the sample root or home
};

// Fills `mac` with the sample apps and their leftovers; returns the apps in the order they were made.
std::vector<DemoApp> buildDemoMac(const SampleMac& mac);

// Sets an item's modification date to `days` days ago (not following a final link).
void ageItem(const std::string& path, int days);

}  // namespace corvane::testing
