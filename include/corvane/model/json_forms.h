#pragma once
// JSON forms of the core records. Writing keeps the fields' declaration order and leaves out absent
// optional fields; reading accepts missing (or null) optional keys, ignores unknown keys, reads the
// enumerations leniently and fails on malformed text, a missing required key or a value of the wrong type.

#include <concepts>
#include <string>
#include <string_view>
#include <vector>

#include "corvane/model/app_identity.h"
#include "corvane/model/file_finding.h"
#include "corvane/model/removal_records.h"
#include "corvane/base/result.h"

namespace corvane {

// The records that have a JSON form.
template <class T>
concept JsonRecord =
    std::same_as<T, AppIdentity> || std::same_as<T, InstalledApplication> || std::same_as<T, DiskIdentity> ||
    std::same_as<T, MatchEvidence> || std::same_as<T, FileFinding> || std::same_as<T, AnalysisSnapshot> ||
    std::same_as<T, TrashOperation> || std::same_as<T, BackgroundServiceOperation> ||
    std::same_as<T, UninstallRecord>;

template <class T>
inline constexpr bool kIsJsonRecordList = false;
template <class T>
inline constexpr bool kIsJsonRecordList<std::vector<T>> = JsonRecord<T>;

// A record, or a list of records of one type.
template <class T>
concept JsonForm = JsonRecord<T> || kIsJsonRecordList<T>;

enum class JsonLayout {
  compact,       // one line without spaces
  pretty,        // two-space indents, keys in the record's order
  prettySorted,  // two-space indents, keys sorted, as the history file is written
};

template <JsonForm T>
std::string toJSON(const T& value, JsonLayout layout = JsonLayout::compact);

// Errors name the record and key ("DiskIdentity.fileType: missing"), nested records inside out.
template <JsonForm T>
Result<T> fromJSON(std::string_view text);

}  // namespace corvane
