#include "corvane/json_forms.h"

#include "model/json_reader.h"

namespace corvane::json {

namespace {

void putOptional(Json& j, const char* key, const std::optional<std::string>& v) {
  if (v) j[key] = *v;
}
void putOptional(Json& j, const char* key, const std::optional<std::vector<std::string>>& v) {
  if (v) j[key] = *v;
}

template <class T>
Json encodeList(const std::vector<T>& values) {
  Json list = Json::array();
  for (const auto& v : values) list.push_back(encode(v));
  return list;
}

// An enumeration's string value; anything that is not a string fails.
template <class E, class FromString>
E enumValue(ObjectReader& r, const char* key, FromString fromString) {
  std::string s = r.string(key);
  return fromString(s);
}

}  // namespace

Json encode(const AppIdentity& v) {
  Json j = Json::object();
  j["name"] = v.name;
  putOptional(j, "bundleIdentifier", v.bundleIdentifier);
  putOptional(j, "signingIdentifier", v.signingIdentifier);
  putOptional(j, "teamIdentifier", v.teamIdentifier);
  j["packageReceipts"] = v.packageReceipts;
  putOptional(j, "backgroundServiceIdentifiers", v.backgroundServiceIdentifiers);
  putOptional(j, "applicationGroups", v.applicationGroups);
  return j;
}

template <>
Result<AppIdentity> decode<AppIdentity>(const nlohmann::json& value) {
  ObjectReader r(value, "AppIdentity");
  AppIdentity v;
  v.name = r.string("name");
  v.bundleIdentifier = r.optionalString("bundleIdentifier");
  v.signingIdentifier = r.optionalString("signingIdentifier");
  v.teamIdentifier = r.optionalString("teamIdentifier");
  v.packageReceipts = r.stringList("packageReceipts");
  v.backgroundServiceIdentifiers = r.optionalStringList("backgroundServiceIdentifiers");
  v.applicationGroups = r.optionalStringList("applicationGroups");
  if (!r.ok()) return r.error();
  return v;
}

Json encode(const InstalledApplication& v) {
  Json j = Json::object();
  j["url"] = v.url.absoluteString();
  j["name"] = v.name;
  putOptional(j, "bundleIdentifier", v.bundleIdentifier);
  putOptional(j, "version", v.version);
  j["isSystemApplication"] = v.isSystemApplication;
  return j;
}

template <>
Result<InstalledApplication> decode<InstalledApplication>(const nlohmann::json& value) {
  ObjectReader r(value, "InstalledApplication");
  InstalledApplication v;
  v.url = r.url("url");
  v.name = r.string("name");
  v.bundleIdentifier = r.optionalString("bundleIdentifier");
  v.version = r.optionalString("version");
  v.isSystemApplication = r.boolean("isSystemApplication");
  if (!r.ok()) return r.error();
  return v;
}

Json encode(const DiskIdentity& v) {
  Json j = Json::object();
  j["device"] = v.device;
  j["fileNumber"] = v.fileNumber;
  j["fileType"] = v.fileType;
  return j;
}

template <>
Result<DiskIdentity> decode<DiskIdentity>(const nlohmann::json& value) {
  ObjectReader r(value, "DiskIdentity");
  DiskIdentity v;
  v.device = r.unsignedInteger("device");
  v.fileNumber = r.unsignedInteger("fileNumber");
  std::uint64_t type = r.unsignedInteger("fileType");
  if (!r.ok()) return r.error();
  if (type > UINT32_MAX) return Error::invalid("DiskIdentity.fileType: out of range");
  v.fileType = static_cast<std::uint32_t>(type);
  return v;
}

Json encode(const MatchEvidence& v) {
  Json j = Json::object();
  j["id"] = v.id.toString();
  j["kind"] = stringValue(v.kind);
  j["explanation"] = v.explanation;
  j["weight"] = v.weight;
  return j;
}

template <>
Result<MatchEvidence> decode<MatchEvidence>(const nlohmann::json& value) {
  ObjectReader r(value, "MatchEvidence");
  MatchEvidence v;
  v.id = r.uuid("id");
  v.kind = enumValue<EvidenceKind>(r, "kind", evidenceKindFromString);
  v.explanation = r.string("explanation");
  std::int64_t weight = r.integer("weight");
  if (!r.ok()) return r.error();
  if (weight < INT32_MIN || weight > INT32_MAX) return Error::invalid("MatchEvidence.weight: out of range");
  v.weight = static_cast<int>(weight);
  return v;
}

Json encode(const FileFinding& v) {
  Json j = Json::object();
  j["id"] = v.id.toString();
  j["url"] = v.url.absoluteString();
  j["kind"] = stringValue(v.kind);
  j["confidence"] = stringValue(v.confidence);
  j["score"] = v.score;
  j["evidence"] = encodeList(v.evidence);
  if (v.byteCount) j["byteCount"] = *v.byteCount;
  if (v.modifiedAt) j["modifiedAt"] = date::iso8601(*v.modifiedAt);
  j["isProtectedLocation"] = v.isProtectedLocation;
  putOptional(j, "displayName", v.displayName);
  if (v.diskIdentity) j["diskIdentity"] = encode(*v.diskIdentity);
  return j;
}

template <>
Result<FileFinding> decode<FileFinding>(const nlohmann::json& value) {
  ObjectReader r(value, "FileFinding");
  FileFinding v;
  v.id = r.uuid("id");
  v.url = r.url("url");
  v.kind = enumValue<FindingKind>(r, "kind", findingKindFromString);
  v.confidence = enumValue<FindingConfidence>(r, "confidence", findingConfidenceFromString);
  std::int64_t score = r.integer("score");
  v.evidence = r.list<MatchEvidence>("evidence");
  v.byteCount = r.optionalInteger("byteCount");
  v.modifiedAt = r.optionalDate("modifiedAt");
  v.isProtectedLocation = r.boolean("isProtectedLocation");
  v.displayName = r.optionalString("displayName");
  v.diskIdentity = r.optionalRecord<DiskIdentity>("diskIdentity");
  if (!r.ok()) return r.error();
  if (score < INT32_MIN || score > INT32_MAX) return Error::invalid("FileFinding.score: out of range");
  v.score = static_cast<int>(score);
  return v;
}

Json encode(const AnalysisSnapshot& v) {
  Json j = Json::object();
  j["id"] = v.id.toString();
  j["createdAt"] = date::iso8601(v.createdAt);
  j["appURL"] = v.appURL.absoluteString();
  j["identity"] = encode(v.identity);
  j["isApplicationRunning"] = v.isApplicationRunning;
  j["findings"] = encodeList(v.findings);
  return j;
}

template <>
Result<AnalysisSnapshot> decode<AnalysisSnapshot>(const nlohmann::json& value) {
  ObjectReader r(value, "AnalysisSnapshot");
  AnalysisSnapshot v;
  v.id = r.uuid("id");
  v.createdAt = r.date("createdAt");
  v.appURL = r.url("appURL");
  v.identity = r.record<AppIdentity>("identity");
  v.isApplicationRunning = r.boolean("isApplicationRunning");
  v.findings = r.list<FileFinding>("findings");
  if (!r.ok()) return r.error();
  return v;
}

Json encode(const TrashOperation& v) {
  Json j = Json::object();
  j["id"] = v.id.toString();
  j["originalURL"] = v.originalURL.absoluteString();
  if (v.trashedURL) j["trashedURL"] = v.trashedURL->absoluteString();
  j["succeeded"] = v.succeeded;
  putOptional(j, "errorDescription", v.errorDescription);
  if (v.failureReason) j["failureReason"] = rawValue(*v.failureReason);
  return j;
}

template <>
Result<TrashOperation> decode<TrashOperation>(const nlohmann::json& value) {
  ObjectReader r(value, "TrashOperation");
  TrashOperation v;
  v.id = r.uuid("id");
  v.originalURL = r.url("originalURL");
  v.trashedURL = r.optionalURL("trashedURL");
  v.succeeded = r.boolean("succeeded");
  v.errorDescription = r.optionalString("errorDescription");
  if (auto reason = r.optionalString("failureReason")) v.failureReason = removalFailureReasonFromString(*reason);
  if (!r.ok()) return r.error();
  return v;
}

Json encode(const BackgroundServiceOperation& v) {
  Json j = Json::object();
  j["id"] = v.id.toString();
  j["serviceIdentifier"] = v.serviceIdentifier;
  j["wasRegistered"] = v.wasRegistered;
  j["paused"] = v.paused;
  putOptional(j, "errorDescription", v.errorDescription);
  return j;
}

template <>
Result<BackgroundServiceOperation> decode<BackgroundServiceOperation>(const nlohmann::json& value) {
  ObjectReader r(value, "BackgroundServiceOperation");
  BackgroundServiceOperation v;
  v.id = r.uuid("id");
  v.serviceIdentifier = r.string("serviceIdentifier");
  v.wasRegistered = r.boolean("wasRegistered");
  v.paused = r.boolean("paused");
  v.errorDescription = r.optionalString("errorDescription");
  if (!r.ok()) return r.error();
  return v;
}

Json encode(const UninstallRecord& v) {
  Json j = Json::object();
  j["id"] = v.id.toString();
  j["createdAt"] = date::iso8601(v.createdAt);
  j["identity"] = encode(v.identity);
  j["preRemovalSnapshot"] = encode(v.preRemovalSnapshot);
  j["operations"] = encodeList(v.operations);
  if (v.postRemovalSnapshot) j["postRemovalSnapshot"] = encode(*v.postRemovalSnapshot);
  if (v.backgroundServiceOperations) j["backgroundServiceOperations"] = encodeList(*v.backgroundServiceOperations);
  if (v.followUpSnapshot) j["followUpSnapshot"] = encode(*v.followUpSnapshot);
  return j;
}

template <>
Result<UninstallRecord> decode<UninstallRecord>(const nlohmann::json& value) {
  ObjectReader r(value, "UninstallRecord");
  UninstallRecord v;
  v.id = r.uuid("id");
  v.createdAt = r.date("createdAt");
  v.identity = r.record<AppIdentity>("identity");
  v.preRemovalSnapshot = r.record<AnalysisSnapshot>("preRemovalSnapshot");
  v.operations = r.list<TrashOperation>("operations");
  v.postRemovalSnapshot = r.optionalRecord<AnalysisSnapshot>("postRemovalSnapshot");
  v.backgroundServiceOperations = r.optionalList<BackgroundServiceOperation>("backgroundServiceOperations");
  v.followUpSnapshot = r.optionalRecord<AnalysisSnapshot>("followUpSnapshot");
  if (!r.ok()) return r.error();
  return v;
}

Result<nlohmann::json> parse(std::string_view text) {
  auto j = nlohmann::json::parse(text.begin(), text.end(), nullptr, /*allow_exceptions=*/false);
  if (j.is_discarded()) return Error::invalid("malformed JSON");
  return j;
}

std::string pretty(const Json& value) {
  return value.dump(2, ' ', /*ensure_ascii=*/false, nlohmann::json::error_handler_t::replace);
}

std::string prettySorted(const Json& value) {
  nlohmann::json sorted = value;
  return sorted.dump(2, ' ', /*ensure_ascii=*/false, nlohmann::json::error_handler_t::replace);
}

}  // namespace corvane::json
