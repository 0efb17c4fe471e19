#include "corvane/discovery/system_extension_catalog.h"

#include <algorithm>
#include <utility>

#include "base/hashing.h"
#include "discovery/tool_output.h"
#include "platform/unicode.h"
#include "platform/format_files.h"

namespace corvane {

namespace {

// Each reader below leaves `out` alone and answers false when the key is present with a value of the
// wrong type; an absent key is fine. A false answer drops the whole entry, as a strict decoder would.

bool readText(const PropertyList& dictionary, std::string_view key, std::optional<std::string>& out) {
  const PropertyList* value = dictionary.find(key);
  if (!value) return true;
  const std::string* text = value->asString();
  if (!text) return false;
  out = *text;
  return true;
}

bool readTextList(const PropertyList& dictionary, std::string_view key, std::vector<std::string>& out) {
  const PropertyList* value = dictionary.find(key);
  if (!value) return true;
  const PlistArray* array = value->asArray();
  if (!array) return false;
  std::vector<std::string> texts;
  texts.reserve(array->size());
  for (const PropertyList& element : *array) {
    const std::string* text = element.asString();
    if (!text) return false;
    texts.push_back(*text);
  }
  out = std::move(texts);
  return true;
}

// "container": {"bundlePath": text}.
bool readContainer(const PropertyList& entry, std::optional<std::string>& bundlePath) {
  const PropertyList* container = entry.find("container");
  if (!container) return true;
  if (!container->asDictionary()) return false;
  return readText(*container, "bundlePath", bundlePath);
}

// "references": [{"teamID": text, "appIdentifier": text}, ...]; collects the app identifiers present.
bool readReferences(const PropertyList& entry, std::vector<std::string>& appIdentifiers) {
  const PropertyList* references = entry.find("references");
  if (!references) return true;
  const PlistArray* array = references->asArray();
  if (!array) return false;
  std::vector<std::string> identifiers;
  for (const PropertyList& reference : *array) {
    if (!reference.asDictionary()) return false;
    std::optional<std::string> teamID;
    std::optional<std::string> appIdentifier;
    if (!readText(reference, "teamID", teamID) || !readText(reference, "appIdentifier", appIdentifier)) return false;
    if (appIdentifier) identifiers.push_back(std::move(*appIdentifier));
  }
  appIdentifiers = std::move(identifiers);
  return true;
}

// Non-blank identifiers, as written, each once, in the order first seen.
std::vector<std::string> distinctNonBlank(const std::vector<std::string>& identifiers) {
  std::vector<std::string> kept;
  for (const std::string& identifier : identifiers) {
    if (tool_output::trimmedWhitespaceAndNewlines(identifier).empty()) continue;
    if (std::find(kept.begin(), kept.end(), identifier) != kept.end()) continue;
    kept.push_back(identifier);
  }
  return kept;
}

std::optional<SystemExtensionRecord> decodeEntry(const PropertyList& entry) {
  if (!entry.asDictionary()) return std::nullopt;
  const PropertyList* identifier = entry.find("identifier");
  if (!identifier || !identifier->asString()) return std::nullopt;

  SystemExtensionRecord record;
  record.extID = *identifier->asString();
  std::optional<std::string> bundlePath;
  std::vector<std::string> appIdentifiers;
  if (!readText(entry, "uniqueID", record.uniqueID) || !readText(entry, "state", record.state) ||
      !readTextList(entry, "categories", record.categories) || !readText(entry, "teamID", record.teamID) ||
      !readContainer(entry, bundlePath) || !readReferences(entry, appIdentifiers))
    return std::nullopt;

  // An empty bundle path names no application at all; a relative one is taken from the top of the disk.
  // The path stays a Mac path: whoever compares it takes it through the layout first.
  if (bundlePath && !bundlePath->empty()) {
    std::string absolute = bundlePath->front() == '/' ? *bundlePath : "/" + *bundlePath;
    record.ownerAppBundlePath = url::standardizedPath(absolute);
  }
  record.ownerAppIdentifiers = distinctNonBlank(appIdentifiers);
  return record;
}

}  // namespace

std::vector<SystemExtensionRecord> SystemExtensionCatalog::load(const Url& systemExtensionsRoot,
                                                               const platform::FileSystem& fs) {
  PlistLimits limits;
  limits.maxBytes = maxDatabaseBytes;
  Result<PropertyList> database =
      plist::readFile(fs, systemExtensionsRoot.appending(databaseFileName).path(), limits);
  if (!database.has_value()) return {};
  return records(*database);
}

std::vector<SystemExtensionRecord> SystemExtensionCatalog::load(const Layout& layout) {
  return load(Url::fileURL(layout.systemExtensions()));
}

std::vector<SystemExtensionRecord> SystemExtensionCatalog::records(const PropertyList& database) {
  if (!database.asDictionary()) return {};
  const PropertyList* extensions = database.find("extensions");
  if (!extensions) return {};
  const PlistArray* entries = extensions->asArray();
  if (!entries) return {};

  std::vector<SystemExtensionRecord> out;
  for (const PropertyList& entry : *entries) {
    if (auto record = decodeEntry(entry)) out.push_back(std::move(*record));
  }
  return out;
}

MatchEvidence SystemExtensionCatalog::removalGuidance(const std::optional<SystemExtensionRecord>& record,
                                                      const Url& ext) {
  if (platform::lowercased(ext.pathExtension()) == "kext") {
    return MatchEvidence(EvidenceKind::removalGuidance,
                         "This is a legacy kernel extension (kext) left in place by an app or driver. Do not move "
                         "it to the Trash. Kernel extensions load only with your approval, so a leftover one is "
                         "inert. To clear it, use the owning app's or driver's uninstaller, or remove it with "
                         "administrator rights. If unsure, it is safe to leave in place.",
                         0);
  }

  std::vector<std::string> sentences;
  sentences.emplace_back(
      "This is a system extension the app installed. Removing the app does not remove it, and it should not be "
      "moved to the Trash because macOS keeps its own staged copy.");

  std::string_view firstCategory;
  if (record && !record->categories.empty()) firstCategory = record->categories.front();
  if (firstCategory == networkExtensionCategory) {
    sentences.emplace_back(
        "To turn it off: System Settings > General > Login Items & Extensions > Network Extensions.");
  } else if (firstCategory == driverExtensionCategory) {
    sentences.emplace_back(
        "To turn it off: System Settings > General > Login Items & Extensions > Driver Extensions.");
  } else {
    sentences.emplace_back("To turn it off: System Settings > General > Login Items & Extensions.");
  }

  if (record) {
    if (record->teamID)
      sentences.push_back("Advanced: systemextensionsctl uninstall " + *record->teamID + " " + record->extID);
    if (record->state == "terminated" || record->state == "uninstalling") {
      sentences.emplace_back(
          "macOS has already started removing it; the staged files usually clear after a restart.");
    } else if (record->state == "activated_waiting_for_user") {
      sentences.emplace_back("It is staged and waiting for approval, so it is not active yet.");
    }
  }

  std::string explanation;
  for (const std::string& sentence : sentences) {
    if (!explanation.empty()) explanation += ' ';
    explanation += sentence;
  }
  return MatchEvidence(EvidenceKind::removalGuidance, std::move(explanation), 0);
}

}  // namespace corvane

std::size_t std::hash<corvane::SystemExtensionRecord>::operator()(
    const corvane::SystemExtensionRecord& v) const noexcept {
  return corvane::hashAll(v.extID, v.uniqueID, v.state, v.categories, v.teamID, v.ownerAppBundlePath,
                          v.ownerAppIdentifiers);
}
