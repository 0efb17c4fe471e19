#include "discovery/background_store_shapes.h"

#include <algorithm>

#include "discovery/scope_text.h"
#include "platform/file_io.h"
#include "platform/file_status.h"

namespace corvane::discovery {

namespace {

using Store = BackgroundItemsStore;

constexpr std::size_t kUUIDTextLength = 36;

bool isBlank(const std::string& text) { return trimmedWhitespace(text).empty(); }

// The "NS.keys" and "NS.objects" lists of the dictionary a value refers to, when both are lists.
struct KeyedLists {
  const PlistArray* keys = nullptr;
  const PlistArray* values = nullptr;
};

std::optional<KeyedLists> keyedLists(KeyedArchiveWalk& walk, const PropertyList* value) {
  const PropertyList* dictionary = walk.deref(value);
  if (!dictionary || !dictionary->asDictionary()) return std::nullopt;
  const PropertyList* keys = walk.member(dictionary, ArchiveKey::nsKeys);
  const PropertyList* values = walk.member(dictionary, ArchiveKey::nsObjects);
  if (!keys || !values || !keys->asArray() || !values->asArray()) return std::nullopt;
  return KeyedLists{keys->asArray(), values->asArray()};
}

const PropertyList* dictionaryAt(KeyedArchiveWalk& walk, const PropertyList* value) {
  const PropertyList* object = walk.deref(value);
  return object && object->asDictionary() ? object : nullptr;
}

// The upper-case identifiers of a scope index, or none when any key is not one.
std::optional<std::vector<std::string>> indexedScopes(KeyedArchiveWalk& walk, const KeyedLists& lists) {
  std::vector<std::string> scopes;
  for (const PropertyList& key : *lists.keys) {
    // A longer text can never match: refuse it before copying it.
    if (const std::string* text = walk.stringValue(&key); text && text->size() != kUUIDTextLength) return std::nullopt;
    auto scope = walk.scopeString(&key);
    if (!scope || isBlank(*scope)) return std::nullopt;
    std::string upper = upperCasedASCII(*scope);
    if (!Store::matchesUUIDPattern(upper)) return std::nullopt;
    scopes.push_back(std::move(upper));
  }
  return scopes;
}

}  // namespace

ArchiveContainer containerOf(std::span<const std::uint8_t> bytes) {
  ArchiveContainer result;
  if (bytes.empty() || bytes.size() > Store::maxStoreFileBytes) return result;
  const PlistLimits limits{.maxBytes = Store::maxStoreFileBytes, .maxObjects = Store::maxPropertyListValues};
  auto parsed = plist::parse(bytes, limits);
  if (!parsed.has_value()) return result;
  auto archive = std::make_unique<PropertyList>(std::move(parsed).value());

  BackgroundItemsBudget scratch;
  PlistArray none;
  KeyedArchiveWalk top(none, scratch);
  const PropertyList* archiver = top.member(archive.get(), ArchiveKey::archiver);
  const PropertyList* objectList = top.member(archive.get(), ArchiveKey::objects);
  const PropertyList* roots = top.member(archive.get(), ArchiveKey::top);
  if (!archiver || !archiver->asString() || *archiver->asString() != "NSKeyedArchiver") return result;
  if (!objectList || !objectList->asArray() || objectList->asArray()->size() > Store::maxArchiveObjects) return result;
  if (!roots || !roots->asDictionary()) return result;

  const PlistArray& objects = *objectList->asArray();
  KeyedArchiveWalk walk(objects, scratch);
  result.objects = &objects;

  if (const PropertyList* store = dictionaryAt(walk, walk.member(roots, ArchiveKey::store))) {
    auto lists = keyedLists(walk, walk.member(store, ArchiveKey::itemsByUserIdentifier));
    if (lists && lists->keys->size() == lists->values->size()) {
      result.shape = ArchiveContainer::Shape::globalStore;
      result.store = store;
      result.archive = std::move(archive);
      return result;
    }
  }

  if (const PropertyList* user = dictionaryAt(walk, walk.member(roots, ArchiveKey::userStore))) {
    auto scope = walk.scopeString(walk.member(user, ArchiveKey::userIdentifier));
    const PropertyList* records = dictionaryAt(walk, walk.member(user, ArchiveKey::records));
    const PropertyList* list = walk.member(records, ArchiveKey::nsObjects);
    if (scope && !isBlank(*scope) && list && list->asArray()) {
      result.shape = ArchiveContainer::Shape::scopeArchive;
      result.store = user;
      result.archive = std::move(archive);
    }
    return result;
  }

  auto lists = keyedLists(walk, walk.member(roots, ArchiveKey::infoByUserIdentifier));
  if (!lists || lists->keys->size() != lists->values->size()) return result;
  auto scopes = indexedScopes(walk, *lists);
  if (!scopes) return result;
  result.shape = ArchiveContainer::Shape::scopeIndex;
  result.indexedScopes = std::move(*scopes);
  result.archive = std::move(archive);
  return result;
}

void parseV16Store(const ArchiveContainer& store, const std::optional<std::string>& currentUserScopeUUID,
                   BackgroundItemsBudget& budget, std::vector<BackgroundItemRecord>& records) {
  if (!store.objects) return;
  KeyedArchiveWalk walk(*store.objects, budget);
  auto lists = keyedLists(walk, walk.member(store.store, ArchiveKey::itemsByUserIdentifier));
  if (!lists) return;
  const std::size_t pairs = std::min(lists->keys->size(), lists->values->size());
  for (std::size_t i = 0; i < pairs; ++i) {
    if (budget.recordsEmitted >= Store::maxRecordsPerLoad || budget.scopesVisited >= Store::maxScopesPerLoad ||
        walk.itemsExhausted()) {
      walk.markTruncated();
      break;
    }
    ++budget.scopesVisited;
    const PropertyList* key = &(*lists->keys)[i];
    if (const std::string* text = walk.stringValue(key); text && !walk.charge(text->size())) break;
    auto scope = Store::classifyScope(walk.scopeString(key), std::nullopt, currentUserScopeUUID);
    for (const PropertyList& element : walk.arrayElements(&(*lists->values)[i])) {
      if (budget.recordsEmitted >= Store::maxRecordsPerLoad || walk.itemsExhausted()) {
        walk.markTruncated();
        break;
      }
      std::vector<std::uint64_t> ancestry;
      if (auto record = walk.parseItem(&element, scope, 0, ancestry)) {
        records.push_back(std::move(*record));
        ++budget.recordsEmitted;
      }
    }
  }
}

void parseScopeArchive(const ArchiveContainer& archive, const std::optional<std::string>& filenameScope,
                       const std::optional<std::string>& currentUserScopeUUID, BackgroundItemsBudget& budget,
                       std::vector<BackgroundItemRecord>& records) {
  if (!archive.objects) return;
  KeyedArchiveWalk walk(*archive.objects, budget);
  auto scope = Store::classifyScope(walk.scopeString(walk.member(archive.store, ArchiveKey::userIdentifier)),
                                    filenameScope, currentUserScopeUUID);
  if (budget.scopesVisited >= Store::maxScopesPerLoad) {
    walk.markTruncated();
    return;
  }
  ++budget.scopesVisited;
  for (const PropertyList& element : walk.arrayElements(walk.member(archive.store, ArchiveKey::records))) {
    if (budget.recordsEmitted >= Store::maxRecordsPerLoad || walk.itemsExhausted()) {
      walk.markTruncated();
      break;
    }
    std::vector<std::uint64_t> ancestry;
    if (auto record = walk.parseItem(&element, scope, 0, ancestry)) {
      records.push_back(std::move(*record));
      ++budget.recordsEmitted;
    }
  }
}

std::optional<std::vector<std::uint8_t>> readStoreFile(const std::string& path, BackgroundItemsBudget& budget) {
  auto status = platform::linkStatus(path);
  if (!status || status->type() != platform::FileType::regular) return std::nullopt;
  if (status->size < 1 || static_cast<std::uint64_t>(status->size) > Store::maxStoreFileBytes) return std::nullopt;
  const std::uint64_t size = static_cast<std::uint64_t>(status->size);
  if (budget.bytesRead > Store::maxBytesPerLoad || size > Store::maxBytesPerLoad - budget.bytesRead) return std::nullopt;
  // The file may have changed since: read no more than both limits allow.
  const std::uint64_t allowed = std::min(Store::maxStoreFileBytes, Store::maxBytesPerLoad - budget.bytesRead);
  auto bytes = platform::readFileBytes(path, static_cast<std::size_t>(allowed));
  if (!bytes.has_value()) return std::nullopt;
  if (bytes->size() > allowed) return std::nullopt;
  budget.bytesRead += bytes->size();
  return std::move(bytes).value();
}

}  // namespace corvane::discovery
