// The weekly check's preference, launch recognition, due rule, comparison with what was reported and
// notification text.

#include <algorithm>
#include <set>

#include "corvane/orphans/leftover_check.h"
#include "platform/user_defaults.h"

namespace corvane {

namespace LeftoverCheckPreference {

std::string storeFile(const Layout& layout) { return layout.applicationSupport() + "/preferences.json"; }

bool isEnabled(const Layout& layout, const std::string& applicationId) {
  return platform::userDefaultsBool(std::string(defaultsKey), {applicationId, storeFile(layout)}).value_or(false);
}

bool setEnabled(bool enabled, const Layout& layout, const std::string& applicationId) {
  return platform::setUserDefaultsBool(std::string(defaultsKey), enabled, {applicationId, storeFile(layout)})
      .has_value();
}

}  // namespace LeftoverCheckPreference

namespace LeftoverCheckLaunch {

bool isRequested(const std::vector<std::string>& arguments, const std::map<std::string, std::string>& environment,
                 const std::string& jobLabel) {
  if (arguments.size() > 1 && std::find(arguments.begin() + 1, arguments.end(), argument) != arguments.end())
    return true;
  auto it = environment.find(std::string(serviceVariable));
  return it != environment.end() && it->second == jobLabel;
}

}  // namespace LeftoverCheckLaunch

namespace LeftoverCheckPolicy {

bool isDue(const std::optional<PreciseDate>& lastCheckedAt, PreciseDate now, std::chrono::duration<double> every) {
  if (!lastCheckedAt) return true;
  if (*lastCheckedAt > now) return true;  // the clock went back
  return now - *lastCheckedAt >= every;
}

std::string key(const FileFinding& finding) { return url::standardizedPath(finding.url.path()); }

LeftoverCheckOutcome evaluate(const std::vector<OrphanGroup>& groups,
                              const std::optional<std::vector<std::string>>& reportedKeys) {
  std::set<std::string> previous;
  if (reportedKeys) previous.insert(reportedKeys->begin(), reportedKeys->end());
  std::set<std::string> next = previous;
  LeftoverCheckOutcome outcome;
  for (const auto& group : groups) {
    bool groupHasNew = false;
    for (const auto& finding : group.findings) {
      std::string k = key(finding);
      if (!previous.count(k)) {
        ++outcome.newFindingCount;
        groupHasNew = true;
      }
      next.insert(std::move(k));
    }
    if (groupHasNew) ++outcome.newAppCount;
  }
  outcome.isFirstReport = !reportedKeys.has_value();
  // Keys of findings that disappeared stay, so an item that comes back is not reported again.
  outcome.nextReportedKeys.assign(next.begin(), next.end());
  return outcome;
}

std::optional<LeftoverCheckNotificationText> notificationText(const LeftoverCheckOutcome& outcome) {
  const int findings = outcome.newFindingCount;
  const int apps = outcome.newAppCount;
  if (findings < 1) return std::nullopt;
  std::string body = "Found " + std::to_string(findings) + " " +
                     (outcome.isFirstReport ? "possible orphan" : "new possible orphan") + (findings != 1 ? "s" : "") +
                     " from " + std::to_string(apps) + " app" + (apps != 1 ? "s" : "") + " that " +
                     (apps == 1 ? "isn't" : "aren't") + " installed.  Click to review " +
                     (findings == 1 ? "it" : "them") + ".  Nothing has been removed.";
  return LeftoverCheckNotificationText{"Leftovers from removed apps", std::move(body)};
}

}  // namespace LeftoverCheckPolicy

}  // namespace corvane
