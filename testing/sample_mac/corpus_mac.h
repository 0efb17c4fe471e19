#pragma once
// A sample Mac with every app of the real-world leftovers corpus (../shared/corpus/casks.json) installed
// at once: each app's bundle, and every file and folder its packagers remove on a full uninstall, with
// wildcards filled the way a real Mac fills them, launch definitions carrying their labels and containers
// carrying their owner metadata. Each app's list is kept so that an analysis can be scored against it.

#include <optional>
#include <string>
#include <vector>

#include "sample_mac/sample_mac.h"

namespace corvane::testing {

struct CorpusApp {
  std::string token;                            // the corpus's short name for the app
  std::string name;                             // bundle name
  std::optional<std::string> bundleIdentifier;
  std::string bundlePath;                       // host path of the installed bundle
  // Host paths the app's packagers remove (wildcards filled), sorted, without repeats.
  std::vector<std::string> paths;
};

struct CorpusMac {
  std::vector<CorpusApp> apps;  // in corpus order
};

// The corpus file beside the sources (../shared/corpus/casks.json from the repository root).
std::string corpusFile(const std::string& sourceDir);

// Fills one corpus path's wildcards as a real Mac would, a leading one with the app's developer team;
// none for a path that cannot be filled (a Ruby interpolation). "~" stays "~".
std::optional<std::string> filledCorpusPath(const std::string& pattern, const std::string& team = "ABCDE12345");

// Builds every app of the corpus into `mac`; none when the corpus file is missing or unreadable.
std::optional<CorpusMac> buildCorpusMac(const SampleMac& mac, const std::string& casksJsonPath);

// The look-alike items of no app that the corpus Mac without peers adds: products whose names contain or
// equal an app's name, other vendors' folders and identifiers, and folders named with everyday words.
// Written into `mac`; returns their host paths.
std::vector<std::string> addLookAlikes(const SampleMac& mac);

// The corpus Mac without peers installs every other app, from the first; the rest leave only their files.
inline bool installedWithoutPeers(std::size_t index) { return index % 2 == 0; }

}  // namespace corvane::testing
