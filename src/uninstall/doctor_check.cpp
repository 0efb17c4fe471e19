#include "corvane/uninstall/doctor_check.h"

#include <algorithm>

#include "corvane/base/date.h"
#include "corvane/discovery/package_receipt_catalog.h"
#include "corvane/history/history_facts.h"
#include "corvane/history/history_store.h"
#include "corvane/orphans/leftover_check.h"
#include "corvane/removal/background_service_controller.h"
#include "platform/directory.h"
#include "platform/privacy_access.h"

namespace corvane {

namespace {

DoctorCheck::Tool found(std::string name, const std::vector<std::string>& paths, std::string without) {
  for (const auto& path : paths)
    if (platform::itemExists(path)) return {std::move(name), path, std::move(without)};
  return {std::move(name), std::nullopt, std::move(without)};
}

std::vector<DoctorCheck::Tool> tools() {
  return {found("launchctl", {std::string(kLaunchctlPath)}, "background services are neither paused nor turned on again"),
          found("pkgutil", {kPackageToolPath}, "installer receipts are read from their folder directly"),
          found("brew", {"/opt/homebrew/bin/brew", "/usr/local/bin/brew"}, "the app offers no Homebrew step")};
}

std::string notWrittenOr(const std::string& path, std::string health) {
  return platform::itemExists(path) ? std::move(health) : "not written yet";
}

std::vector<DoctorCheck::StateFile> stateFiles(const Layout& layout) {
  std::vector<DoctorCheck::StateFile> files;
  HistoryStore history(HistoryFileManager::system(), layout);
  const std::string historyPath = history.fileURL().path();
  const std::size_t count = history.records().size();
  files.push_back({"history", historyPath,
                   history.fileIsUnreadable()
                       ? "unreadable: kept aside before the next change"
                       : notWrittenOr(historyPath, "ok, " + std::to_string(count) + (count == 1 ? " uninstall" : " uninstalls"))});
  LeftoverCheckStore check(layout);
  const LeftoverCheckState state = check.load();
  files.push_back({"weekly check", check.fileURL(),
                   notWrittenOr(check.fileURL(), state.lastCheckedAt ? "ok, last check " + date::iso8601(std::chrono::floor<std::chrono::seconds>(*state.lastCheckedAt))
                                                                     : "ok, no check yet")});
  const std::string sizes = HistoryFacts::sideFilePath(historyPath, "sizes");
  files.push_back({"freed sizes", sizes, notWrittenOr(sizes, "ok")});
  return files;
}

}  // namespace

std::size_t DoctorCheck::count(Access access) const {
  return static_cast<std::size_t>(
      std::count_if(locations.begin(), locations.end(), [access](const LocationAccess& l) { return l.access == access; }));
}

DoctorCheck checkSetup(const Layout& layout) {
  return {searchedLocations(layout), tools(), stateFiles(layout), platform::privacyAccessHint()};
}

}  // namespace corvane
