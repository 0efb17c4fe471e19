#include "discovery/keyed_archive_walk.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string_view>
#include <unordered_set>

#include "corvane/base/url.h"
#include "corvane/base/uuid.h"

namespace corvane::discovery {

namespace {

constexpr std::array<std::string_view, kArchiveKeyCount> kKeyNames = {
    "$archiver", "$objects", "$top", "store", "itemsByUserIdentifier", "userStore", "userIdentifier", "records",
    "infoByUserIdentifier", "NS.keys", "NS.objects", "NS.relative", "NS.base", "NS.uuidbytes", "identifier", "name",
    "developerName", "teamIdentifier", "bundleIdentifier", "associatedBundleIdentifiers", "executablePath", "url",
    "container", "type", "disposition", "items",
};

// Dictionaries up to this size are searched key by key; larger ones are indexed once.
constexpr std::size_t kLinearLookupEntries = 32;

constexpr std::string_view kNull = "$null";

bool isKnownKey(std::string_view key, std::size_t& index) {
  for (std::size_t i = 0; i < kKeyNames.size(); ++i) {
    if (kKeyNames[i] == key) {
      index = i;
      return true;
    }
  }
  return false;
}

bool hasScheme(std::string_view text) {
  if (text.empty() || !std::isalpha(static_cast<unsigned char>(text[0]))) return false;
  for (char c : text) {
    if (c == ':') return true;
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') return false;
  }
  return false;
}

// The path of `relative` (a URL reference without a scheme, not beginning with "/") resolved against the
// folder `base`, standardised; none when its escapes are malformed.
std::optional<std::string> resolveAgainstFolder(std::string_view relative, const std::string& base) {
  std::string_view path = relative.substr(0, relative.find_first_of("?#"));
  auto decoded = url::percentDecode(path);
  if (!decoded || decoded->find('\0') != std::string::npos) return std::nullopt;
  std::string joined = base;
  if (joined.empty() || joined.back() != '/') joined += '/';
  joined += *decoded;
  return url::standardizedPath(joined);
}

}  // namespace

std::optional<std::uint64_t> KeyedArchiveWalk::uidValue(const PropertyList& value) {
  if (auto uid = value.asUID()) return uid->value;
  const PlistDictionary* dictionary = value.asDictionary();
  if (!dictionary || dictionary->size() != 1 || dictionary->front().first != "CF$UID") return std::nullopt;
  const auto number = dictionary->front().second.asInteger();
  if (!number || *number < 0) return std::nullopt;
  return static_cast<std::uint64_t>(*number);
}

const PropertyList* KeyedArchiveWalk::member(const PropertyList* value, ArchiveKey key) {
  if (!value) return nullptr;
  const PlistDictionary* dictionary = value->asDictionary();
  if (!dictionary) return nullptr;
  const auto k = static_cast<std::size_t>(key);
  if (dictionary->size() <= kLinearLookupEntries) {
    for (const auto& [name, entry] : *dictionary)
      if (name == kKeyNames[k]) return &entry;
    return nullptr;
  }
  auto [it, inserted] = largeIndex_.try_emplace(dictionary);
  if (inserted) {
    it->second.fill(nullptr);
    for (const auto& [name, entry] : *dictionary) {
      std::size_t index = 0;
      if (isKnownKey(name, index) && !it->second[index]) it->second[index] = &entry;
    }
  }
  return it->second[k];
}

std::optional<std::uint64_t> KeyedArchiveWalk::objectIndex(const PropertyList* value) const {
  if (!value) return std::nullopt;
  auto index = uidValue(*value);
  if (!index || *index >= objects_.size()) return std::nullopt;
  return index;
}

const PropertyList* KeyedArchiveWalk::deref(const PropertyList* value) const {
  if (!value) return nullptr;
  auto uid = uidValue(*value);
  if (!uid) return value;
  if (*uid >= objects_.size()) return nullptr;
  const PropertyList& object = objects_[*uid];
  if (const std::string* text = object.asString(); text && *text == kNull) return nullptr;
  return &object;
}

const std::string* KeyedArchiveWalk::stringValue(const PropertyList* value) const {
  const PropertyList* object = deref(value);
  if (!object) return nullptr;
  const std::string* text = object->asString();
  if (!text || *text == kNull) return nullptr;
  return text;
}

std::optional<std::int64_t> KeyedArchiveWalk::intValue(const PropertyList* value) const {
  const PropertyList* object = deref(value);
  if (!object) return std::nullopt;
  if (auto integer = object->asInteger()) return *integer;
  if (const auto real = object->kind() == PropertyList::Kind::real ? object->asReal() : std::nullopt) {
    // Only reals whose truncation fits 64 bits: [-2^63, 2^63).
    constexpr double kLimit = 9223372036854775808.0;
    if (!std::isfinite(*real) || *real <= -kLimit - 1.0 || *real >= kLimit) return std::nullopt;
    return static_cast<std::int64_t>(std::trunc(*real));
  }
  return std::nullopt;
}

std::span<const PropertyList> KeyedArchiveWalk::arrayElements(const PropertyList* value) {
  const PropertyList* list = member(deref(value), ArchiveKey::nsObjects);
  const PlistArray* elements = list ? list->asArray() : nullptr;
  if (!elements) return {};
  std::span<const PropertyList> all(*elements);
  if (all.size() > BackgroundItemsStore::maxArrayElements) {
    markTruncated();
    return all.first(BackgroundItemsStore::maxArrayElements);
  }
  return all;
}

std::optional<std::string> KeyedArchiveWalk::scopeString(const PropertyList* value) {
  if (const std::string* text = stringValue(value)) return *text;
  const PropertyList* bytes = member(deref(value), ArchiveKey::nsUUIDBytes);
  const PlistData* data = bytes ? bytes->asData() : nullptr;
  if (!data || data->bytes.size() != 16) return std::nullopt;
  std::array<std::uint8_t, 16> raw{};
  std::copy(data->bytes.begin(), data->bytes.end(), raw.begin());
  return Uuid(raw).toString();
}

std::vector<std::string> KeyedArchiveWalk::idList(const PropertyList* value) {
  if (const std::string* text = stringValue(value)) {
    if (!charge(sizeof(std::string) + text->size())) return {};
    return {*text};
  }
  std::vector<std::string> ids;
  std::unordered_set<std::string_view> seen;
  for (const PropertyList& element : arrayElements(value)) {
    const std::string* text = stringValue(&element);
    if (!text) continue;
    // Every examined text is paid for, kept or not: a list may name one long text thousands of times.
    if (!charge(sizeof(std::string) + text->size())) return {};
    if (seen.insert(*text).second) ids.push_back(*text);
  }
  return ids;
}

std::optional<std::string> KeyedArchiveWalk::fileURLPath(const PropertyList* value, std::vector<std::uint64_t>& ancestry,
                                                         int depth) {
  if (depth > BackgroundItemsStore::maxURLBaseNesting) return std::nullopt;
  if (const std::string* text = stringValue(value)) {
    if (!charge(text->size())) return std::nullopt;
    if (auto parsed = Url::parse(*text)) return url::standardizedPath(parsed->rawPath());
    if (!text->empty() && text->front() == '/') return url::standardizedPath(*text);
    return std::nullopt;
  }
  auto index = objectIndex(value);
  if (index && std::find(ancestry.begin(), ancestry.end(), *index) != ancestry.end()) return std::nullopt;
  const PropertyList* object = deref(value);
  const std::string* relative = stringValue(member(object, ArchiveKey::nsRelative));
  if (!relative || !charge(relative->size())) return std::nullopt;
  if (auto parsed = Url::parse(*relative)) return url::standardizedPath(parsed->rawPath());

  if (index) ancestry.push_back(*index);
  std::optional<std::string> base = fileURLPath(member(object, ArchiveKey::nsBase), ancestry, depth + 1);
  if (index) ancestry.pop_back();
  if (!base || (!relative->empty() && relative->front() == '/')) return std::nullopt;
  // A reference with a scheme of its own is no path below the base (a file URL was taken above).
  if (hasScheme(*relative)) return std::nullopt;
  return resolveAgainstFolder(*relative, *base);
}

bool KeyedArchiveWalk::itemsExhausted() const {
  return budget_.itemsVisited >= BackgroundItemsStore::maxItemVisitsPerLoad || budget_.recordBytesExhausted();
}

bool KeyedArchiveWalk::charge(std::uint64_t bytes) {
  if (budget_.recordBytesExhausted() || bytes > BackgroundItemsStore::maxRecordBytesPerLoad - budget_.recordBytes) {
    budget_.recordBytes = BackgroundItemsStore::maxRecordBytesPerLoad;
    markTruncated();
    return false;
  }
  budget_.recordBytes += bytes;
  return true;
}

std::optional<BackgroundItemRecord> KeyedArchiveWalk::parseItem(const PropertyList* value,
                                                                const BackgroundItemsStore::Scope& scope, int depth,
                                                                std::vector<std::uint64_t>& ancestry) {
  if (++budget_.itemsVisited > BackgroundItemsStore::maxItemVisitsPerLoad || budget_.recordBytesExhausted()) {
    markTruncated();
    return std::nullopt;
  }
  auto index = objectIndex(value);
  if (index && std::find(ancestry.begin(), ancestry.end(), *index) != ancestry.end()) return std::nullopt;
  const PropertyList* object = deref(value);
  if (!object || !object->asDictionary()) return std::nullopt;
  const std::string* identifier = stringValue(member(object, ArchiveKey::identifier));
  const std::string* name = stringValue(member(object, ArchiveKey::name));
  if (!identifier && !name) return std::nullopt;

  BackgroundItemRecord record;
  if (depth < BackgroundItemsStore::subItemDepthLimit) {
    if (index) ancestry.push_back(*index);
    for (const PropertyList& element : arrayElements(member(object, ArchiveKey::items))) {
      if (record.subItems.size() >= BackgroundItemsStore::maxSubItemsPerItem) break;
      if (itemsExhausted()) {
        markTruncated();
        break;
      }
      if (auto child = parseItem(&element, scope, depth + 1, ancestry)) record.subItems.push_back(std::move(*child));
    }
    if (index) ancestry.pop_back();
  }

  const std::string* developerName = stringValue(member(object, ArchiveKey::developerName));
  const std::string* teamIdentifier = stringValue(member(object, ArchiveKey::teamIdentifier));
  const std::string* bundleIdentifier = stringValue(member(object, ArchiveKey::bundleIdentifier));
  const std::string* executablePath = stringValue(member(object, ArchiveKey::executablePath));
  const std::string* container = stringValue(member(object, ArchiveKey::container));
  std::uint64_t cost = sizeof(BackgroundItemRecord) + (scope.uuid ? scope.uuid->size() : 0);
  for (const std::string* text : {identifier, name, developerName, teamIdentifier, bundleIdentifier, executablePath,
                                  container})
    if (text) cost += 2 * text->size();  // the text, and the label or path made from it
  if (!charge(cost)) return std::nullopt;
  record.associatedBundleIdentifiers = idList(member(object, ArchiveKey::associatedBundleIdentifiers));
  std::vector<std::uint64_t> urlAncestry;
  record.registeredURLPath = fileURLPath(member(object, ArchiveKey::url), urlAncestry, 0);
  if (budget_.recordBytesExhausted()) return std::nullopt;

  auto copy = [](const std::string* text) { return text ? std::optional<std::string>(*text) : std::nullopt; };
  record.scopeUUID = scope.uuid;
  record.scopeKind = scope.kind;
  record.identifier = copy(identifier);
  record.label = BackgroundItemsStore::launchdLabel(record.identifier);
  record.name = copy(name);
  record.developerName = copy(developerName);
  record.teamIdentifier = copy(teamIdentifier);
  record.bundleIdentifier = copy(bundleIdentifier);
  record.executablePath = copy(executablePath);
  record.container = copy(container);
  record.type = intValue(member(object, ArchiveKey::type)).value_or(0);
  record.disposition = intValue(member(object, ArchiveKey::disposition)).value_or(0);
  return record;
}

}  // namespace corvane::discovery
