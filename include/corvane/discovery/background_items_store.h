#pragma once
// The system's background-items database: the folder "/private/var/db/com.apple.backgroundtaskmanagement",
// whose store files ("BackgroundItems-v16.btm") are keyed archives listing every login item, launch
// agent, launch daemon and background program that apps registered, grouped by user scope.
//
// Store files are untrusted: every loop, every recursion and every read is bounded by the limits below,
// which hold for one load as a whole. A file without the expected shape is skipped, never fatal; the
// status says how complete the reading was. Nothing here throws or reports an error.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "corvane/discovery/background_item_record.h"
#include "corvane/model/file_finding.h"
#include "corvane/discovery/launchd_label.h"
#include "corvane/model/layout.h"

namespace corvane {

// How complete one load was, tagged by `kind`; the fields a kind does not use stay at their defaults.
struct BackgroundItemStoreStatus {
  enum class Kind {
    parsed,                       // every file read cleanly: version, filesParsed
    degraded,                     // some files skipped or a limit cut the reading short: version, filesParsed,
                                  // filesSkipped, truncated
    unreadableShape,              // store files exist but none had a recognised shape: version, files
    directoryEntryLimitExceeded,  // the folder has more than maxDirectoryEntries visible entries; nothing read
    storeMissing,                 // the folder cannot be listed or holds no store file
  };

  Kind kind = Kind::storeMissing;
  int version = 0;
  int filesParsed = 0;
  int filesSkipped = 0;
  bool truncated = false;
  std::vector<std::string> files;  // the unreadable files' names, sorted

  static BackgroundItemStoreStatus parsed(int version, int filesParsed) {
    return {Kind::parsed, version, filesParsed, 0, false, {}};
  }
  static BackgroundItemStoreStatus degraded(int version, int filesParsed, int filesSkipped, bool truncated) {
    return {Kind::degraded, version, filesParsed, filesSkipped, truncated, {}};
  }
  static BackgroundItemStoreStatus unreadableShape(int version, std::vector<std::string> files) {
    return {Kind::unreadableShape, version, 0, 0, false, std::move(files)};
  }
  static BackgroundItemStoreStatus directoryEntryLimitExceeded() {
    return {Kind::directoryEntryLimitExceeded, 0, 0, 0, false, {}};
  }
  static BackgroundItemStoreStatus storeMissing() { return {}; }

  bool operator==(const BackgroundItemStoreStatus&) const = default;
};

// "parsed", "degraded", "unreadableShape", "directoryEntryLimitExceeded", "storeMissing".
std::string_view caseName(BackgroundItemStoreStatus::Kind kind);

struct BackgroundItemsLoadResult {
  std::vector<BackgroundItemRecord> records;
  BackgroundItemStoreStatus status;
  std::vector<std::string> scopesSeen;  // upper-case scope identifiers met, sorted

  bool operator==(const BackgroundItemsLoadResult&) const = default;
};

struct BackgroundItemsStore {
  static constexpr std::string_view defaultDirectory = "/private/var/db/com.apple.backgroundtaskmanagement";
  static constexpr std::string_view defaultPath =
      "/private/var/db/com.apple.backgroundtaskmanagement/BackgroundItems-v16.btm";
  // Store versions this reader is built against; told to callers, never used to filter files.
  static constexpr std::array<int, 2> knownStoreVersions = {16, 18};
  static constexpr std::string_view uuidPattern =
      "^[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}$";
  static constexpr std::string_view labelPattern = LaunchdLabel::labelPattern;
  // Scopes whose identifier begins with this belong to the system, not to a user.
  static constexpr std::string_view systemSentinelPrefix = "FFFFEEEE-DDDD-CCCC-BBBB-AAAA";

  // Limits. Byte and count limits hold for one load (all files together) unless they say otherwise.
  static constexpr std::uint64_t maxStoreFileBytes = 16'777'216;  // one file: 1 byte to 16 MiB
  static constexpr std::uint64_t maxBytesPerLoad = 33'554'432;
  static constexpr std::size_t maxStoreFilesPerLoad = 64;
  static constexpr std::size_t maxDirectoryEntries = 4'096;  // a further entry ends discovery
  static constexpr std::size_t maxStoreFileNameLength = 128;
  static constexpr std::size_t maxVersionDigits = 4;
  static constexpr std::size_t maxArchiveObjects = 200'000;  // "$objects" of one archive
  static constexpr std::size_t maxRecordsPerLoad = 20'000;   // top-level records
  static constexpr std::size_t maxScopesPerLoad = 4'096;
  static constexpr std::size_t maxItemVisitsPerLoad = 500'000;
  static constexpr std::size_t maxArrayElements = 4'096;  // taken from one archived array
  static constexpr int subItemDepthLimit = 4;             // items at this depth get no sub-items
  static constexpr std::size_t maxSubItemsPerItem = 4'096;
  static constexpr int maxURLBaseNesting = 16;
  // Memory: the bytes that records and the texts examined while building them may take over one load.
  // Items can share one text or one list many times over, so the visit limit alone does not bound them.
  static constexpr std::uint64_t maxRecordBytesPerLoad = 64u << 20;
  // Values the property-list reader may produce for one file (a shared object counts each time).
  static constexpr std::size_t maxPropertyListValues = 2'097'152;

  // The records of every store file of the highest version in `directory`, with how complete the
  // reading was and the scopes met. Callers pass defaultDirectory (or a layout's backgroundItems()) and
  // LoginScopeIdentity::currentUserScopeUUID().
  static BackgroundItemsLoadResult loadDetailed(const std::string& directory,
                                                const std::optional<std::string>& currentUserScopeUUID);
  // The layout's store folder with its login scope (or the current user's).
  static BackgroundItemsLoadResult loadDetailed(const Layout& layout);
  // The records of loadDetailed.
  static std::vector<BackgroundItemRecord> load(const std::string& directory,
                                                const std::optional<std::string>& currentUserScopeUUID);
  // The records of one store file; its name may supply the scope of a per-user archive.
  static std::vector<BackgroundItemRecord> loadFile(const std::string& path,
                                                    const std::optional<std::string>& currentUserScopeUUID);
  // The records of one store file's bytes.
  static std::vector<BackgroundItemRecord> parse(std::span<const std::uint8_t> bytes,
                                                 const std::optional<std::string>& currentUserScopeUUID);

  // How to turn off a background item: one removalGuidance entry of weight 0; the text does not depend
  // on the label.
  static MatchEvidence removalGuidance(std::string_view label);
  // Shorter labels that may name the owning app: "com.vendor.app-agent-xpc" gives "com.vendor.app" and
  // "com.vendor.app-agent".
  static std::vector<std::string> hyphenStrippedOwnerCandidates(std::string_view label);

  // The steps, for callers and tests.

  // Whether `text` matches uuidPattern.
  static bool matchesUUIDPattern(std::string_view text);

  struct StoreFileName {
    int version = 0;
    std::optional<std::string> scope;  // upper-case
    bool operator==(const StoreFileName&) const = default;
  };
  // "BackgroundItems-v16.btm" gives (16, none); "BackgroundItems-v16-<identifier>.btm" gives the scope.
  static std::optional<StoreFileName> parseStoreFileName(std::string_view name);

  // "2.com.vendor.agent" gives "com.vendor.agent"; an identifier without a numeric part before the first
  // "." or whose label does not match labelPattern gives none.
  static std::optional<std::string> launchdLabel(const std::optional<std::string>& identifier);

  struct Scope {
    std::optional<std::string> uuid;
    BackgroundItemScopeKind kind = BackgroundItemScopeKind::unknown;
    bool operator==(const Scope&) const = default;
  };
  // The scope named inside an archive (`body`) and by its file name, classified against the current user.
  static Scope classifyScope(const std::optional<std::string>& body, const std::optional<std::string>& filename,
                             const std::optional<std::string>& currentUserScopeUUID);

  struct DiscoveryResult {
    enum class Outcome { found, noStore, tooManyEntries };
    Outcome outcome = Outcome::noStore;
    int version = 0;                                               // the highest version found
    std::vector<std::string> storePaths;                           // unscoped files, sorted
    std::vector<std::pair<std::string, std::string>> scopedPaths;  // (path, scope), sorted by name
    bool operator==(const DiscoveryResult&) const = default;
  };
  // The store files of the highest version in `directory`.
  static DiscoveryResult discover(const std::string& directory);

  bool operator==(const BackgroundItemsStore&) const = default;
};

}  // namespace corvane
