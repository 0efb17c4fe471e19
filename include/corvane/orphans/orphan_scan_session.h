#pragma once
// The orphan scan of a Mac as a user asks for it: the installed apps (remembered in the installed-apps
// catalog on the way), the apps the uninstall history and the catalog know were removed, the background
// items the user already turned off (SuppressedBackgroundItems), and every finding with its stable id.
//
//     OrphanScanSession session(layout);
//     OrphanScanResult result = session.scan([&](OrphanGroup&& group) { show(group); });
//
// Handed out one at a time, the groups of a Library full of orphans never sit in memory together.

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "corvane/model/layout.h"
#include "corvane/orphans/orphan_scanner.h"

namespace corvane {

class OrphanScanSession {
 public:
  struct Options {
    // Told the number of folder entries examined so far; empty: nobody is told.
    std::function<void(std::uint64_t examined)> progress;
    // The running applications; empty: the system's list.
    std::function<std::vector<RunningApplication>()> runningApplications;
  };

  explicit OrphanScanSession(Layout layout, Options options = {});

  // Every installed application, recorded in the catalog on the way (a catalog that cannot be written is
  // left as it is: the listing still answers).
  static std::vector<InstalledApplication> listApps(const Layout& layout);

  // The scan with every group kept in the result.
  OrphanScanResult scan() const;
  // The scan with each group, its ids assigned, handed to `sink` in key order; the result's groups stay empty.
  OrphanScanResult scan(const OrphanScanner::GroupSink& sink) const;

 private:
  Layout layout_;
  Options options_;
};

}  // namespace corvane
