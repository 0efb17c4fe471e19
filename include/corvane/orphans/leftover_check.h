#pragma once
// The weekly look for new leftovers of removed apps: the on/off preference, the recognition of a scheduled
// background launch, the due rule, the state of what was already reported (kept in Corvane's Application
// Support folder), the lock that keeps two launches from checking at once, and the notification text. It
// never removes anything; the caller runs the orphan scan and posts the notification.

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "corvane/base/date.h"
#include "corvane/base/result.h"
#include "corvane/model/layout.h"
#include "corvane/model/removal_records.h"

namespace corvane {

// An instant with fractions of a second, as the state file keeps it.
using PreciseDate = std::chrono::time_point<std::chrono::system_clock, std::chrono::duration<double>>;

namespace LeftoverCheckPreference {
inline constexpr std::string_view defaultsKey = "CorvaneWeeklyLeftoverCheckEnabled";
// Where the preference is kept without a defaults domain: a JSON object of keys in the layout's Corvane
// folder (applicationSupport() + "/preferences.json").
std::string storeFile(const Layout& layout);
// `applicationId` is the defaults domain of the Mac app (its bundle identifier), which keeps the preference
// in the app's own user defaults; the command-line tool and the tests pass none and use storeFile(layout).
// Systems without defaults domains always use the file. Off unless switched on.
bool isEnabled(const Layout& layout, const std::string& applicationId = {});
// True when written.
bool setEnabled(bool enabled, const Layout& layout, const std::string& applicationId = {});
}  // namespace LeftoverCheckPreference

namespace LeftoverCheckLaunch {
inline constexpr std::string_view argument = "--scheduled-leftover-check";
inline constexpr std::string_view serviceVariable = "XPC_SERVICE_NAME";
// Whether this launch is the scheduled check: an argument after the program path is `argument`, or the
// environment's service name is the registered job's label.
bool isRequested(const std::vector<std::string>& arguments, const std::map<std::string, std::string>& environment,
                 const std::string& jobLabel);
}  // namespace LeftoverCheckLaunch

struct LeftoverCheckOutcome {
  int newFindingCount = 0;
  int newAppCount = 0;  // groups with at least one new finding
  bool isFirstReport = false;
  std::vector<std::string> nextReportedKeys;  // sorted ascending

  bool operator==(const LeftoverCheckOutcome&) const = default;
};

struct LeftoverCheckNotificationText {
  std::string title;
  std::string body;

  bool operator==(const LeftoverCheckNotificationText&) const = default;
};

namespace LeftoverCheckPolicy {
inline constexpr std::chrono::seconds interval{604800};
// Due when never checked, when the last check lies in the future (the clock went back), or when at
// least `every` has passed.
bool isDue(const std::optional<PreciseDate>& lastCheckedAt, PreciseDate now,
           std::chrono::duration<double> every = interval);
// The finding's path, standardised.
std::string key(const FileFinding& finding);
LeftoverCheckOutcome evaluate(const std::vector<OrphanGroup>& groups,
                              const std::optional<std::vector<std::string>>& reportedKeys);
// None when nothing is new.
std::optional<LeftoverCheckNotificationText> notificationText(const LeftoverCheckOutcome& outcome);
}  // namespace LeftoverCheckPolicy

struct LeftoverCheckState {
  int schemaVersion = 1;
  std::optional<PreciseDate> lastCheckedAt;
  std::optional<std::vector<std::string>> reportedKeys;  // absent until the first report

  // One line: {"schemaVersion":1,"lastCheckedAt":789012345.5,"reportedKeys":["\/Users\/..."]}, the date as
  // seconds since 2001-01-01 00:00:00 UTC, absent fields left out, "/" written "\/".
  std::string encoded() const;
  // None unless the text is one object with an integer "schemaVersion", an optional number
  // "lastCheckedAt" and an optional array of strings "reportedKeys" (null counts as absent).
  static std::optional<LeftoverCheckState> decode(std::string_view text);

  bool operator==(const LeftoverCheckState&) const = default;
};

// Holds the check's lock file open and locked; releasing (or destroying) unlocks and closes it once.
class LeftoverCheckLock {
 public:
  explicit LeftoverCheckLock(int fd) : fd_(fd) {}
  LeftoverCheckLock(const LeftoverCheckLock&) = delete;
  LeftoverCheckLock& operator=(const LeftoverCheckLock&) = delete;
  LeftoverCheckLock(LeftoverCheckLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  LeftoverCheckLock& operator=(LeftoverCheckLock&& other) noexcept;
  ~LeftoverCheckLock() { release(); }

  void release();
  std::int32_t fd() const { return fd_; }  // -1 once released

 private:
  std::int32_t fd_ = -1;
};

class LeftoverCheckStore {
 public:
  static constexpr std::size_t maxStateBytes = 64u * 1024 * 1024;
  static constexpr std::string_view lockName = ".leftover-check.lock";

  // The layout's Corvane folder + "/leftover-check.json".
  explicit LeftoverCheckStore(const Layout& layout);
  explicit LeftoverCheckStore(std::string filePath);

  const std::string& fileURL() const { return fileURL_; }
  // The state file's folder + "/.leftover-check.lock".
  std::string lockURL() const;

  // A missing, unreadable or malformed file reads as the initial state.
  LeftoverCheckState load() const;
  // Creates the folder, then replaces the file atomically; on failure the old file is left as it was and
  // the error names the step that failed. Callers hold the lock.
  Status save(const LeftoverCheckState& state) const;
  // None when another holder has the lock, or the lock file cannot be opened. Once held, the temporaries a
  // writer killed mid-write left beside the state file (".leftover-check.json.tmp-*") are removed.
  std::optional<LeftoverCheckLock> acquireLock() const;
  // Writes the initial state under the lock, trying max(attempts, 1) times with a pause between tries;
  // false when the lock was never obtained or the write failed.
  bool reset(int attempts, unsigned pauseMicroseconds) const;

 private:
  std::string fileURL_;
};

}  // namespace corvane
