#pragma once
// JSON forms of the core records. Writing keeps the fields' declaration order and leaves out absent
// optional fields; reading accepts missing optional keys, ignores unknown keys, reads the enumerations
// leniently and fails on a missing required key or a value of the wrong type.

#include <string_view>

#include <nlohmann/json.hpp>

#include "corvane/app_identity.h"
#include "corvane/file_finding.h"
#include "corvane/removal_records.h"
#include "corvane/result.h"

namespace corvane::json {

using Json = nlohmann::ordered_json;

Json encode(const AppIdentity& value);
Json encode(const InstalledApplication& value);
Json encode(const DiskIdentity& value);
Json encode(const MatchEvidence& value);
Json encode(const FileFinding& value);
Json encode(const AnalysisSnapshot& value);
Json encode(const TrashOperation& value);
Json encode(const BackgroundServiceOperation& value);
Json encode(const UninstallRecord& value);

template <class T>
Result<T> decode(const nlohmann::json& value);

template <> Result<AppIdentity> decode<AppIdentity>(const nlohmann::json& value);
template <> Result<InstalledApplication> decode<InstalledApplication>(const nlohmann::json& value);
template <> Result<DiskIdentity> decode<DiskIdentity>(const nlohmann::json& value);
template <> Result<MatchEvidence> decode<MatchEvidence>(const nlohmann::json& value);
template <> Result<FileFinding> decode<FileFinding>(const nlohmann::json& value);
template <> Result<AnalysisSnapshot> decode<AnalysisSnapshot>(const nlohmann::json& value);
template <> Result<TrashOperation> decode<TrashOperation>(const nlohmann::json& value);
template <> Result<BackgroundServiceOperation> decode<BackgroundServiceOperation>(const nlohmann::json& value);
template <> Result<UninstallRecord> decode<UninstallRecord>(const nlohmann::json& value);

// Parses text without exceptions; malformed text is an error.
Result<nlohmann::json> parse(std::string_view text);

// Text forms: pretty-printed with two-space indents, keys in the order given.
std::string pretty(const Json& value);
// Pretty-printed with keys sorted, as the history file is written.
std::string prettySorted(const Json& value);

}  // namespace corvane::json
