#pragma once
// Reading background items out of one keyed archive: an object list ("$objects") whose entries refer to
// each other by index. Every reader takes a value that may be such a reference, and every step counts
// against the limits of the load it belongs to.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "corvane/discovery/background_items_store.h"
#include "corvane/formats/property_list.h"

namespace corvane::discovery {

// Counters shared by all files of one load, all starting at 0.
struct BackgroundItemsBudget {
  std::size_t itemsVisited = 0;
  std::size_t recordsEmitted = 0;
  std::size_t scopesVisited = 0;
  std::uint64_t bytesRead = 0;
  std::size_t filesParsed = 0;
  std::size_t filesAttempted = 0;
  std::size_t filesSkipped = 0;
  bool truncated = false;
  std::uint64_t recordBytes = 0;  // see BackgroundItemsStore::maxRecordBytesPerLoad

  bool recordBytesExhausted() const { return recordBytes >= BackgroundItemsStore::maxRecordBytesPerLoad; }
};

// The dictionary keys the readers look up.
enum class ArchiveKey {
  archiver, objects, top, store, itemsByUserIdentifier, userStore, userIdentifier, records,
  infoByUserIdentifier, nsKeys, nsObjects, nsRelative, nsBase, nsUUIDBytes, identifier, name, developerName,
  teamIdentifier, bundleIdentifier, associatedBundleIdentifiers, executablePath, url, container, type,
  disposition, items,
};
inline constexpr std::size_t kArchiveKeyCount = static_cast<std::size_t>(ArchiveKey::items) + 1;

class KeyedArchiveWalk {
 public:
  // `objects` must outlive the walk; the walk counts into `budget`.
  KeyedArchiveWalk(const PlistArray& objects, BackgroundItemsBudget& budget) : objects_(objects), budget_(budget) {}

  // The index a reference names: a keyed-archive reference value, or a dictionary whose only entry is
  // "CF$UID" holding a non-negative integer. None for anything else.
  static std::optional<std::uint64_t> uidValue(const PropertyList& value);

  // The value under `key` when `value` itself (not what it refers to) is a dictionary; the first match.
  const PropertyList* member(const PropertyList* value, ArchiveKey key);
  // What a reference points to (nothing for an index outside the objects or for "$null"); any other
  // value unchanged; nothing stays nothing.
  const PropertyList* deref(const PropertyList* value) const;
  // The text a value is or refers to, unless it is "$null".
  const std::string* stringValue(const PropertyList* value) const;
  // The integer a value is or refers to; reals are truncated (none when out of range).
  std::optional<std::int64_t> intValue(const PropertyList* value) const;
  // The "NS.objects" list of the collection a value refers to, at most maxArrayElements of it (marking
  // the load truncated when there are more); empty for anything else.
  std::span<const PropertyList> arrayElements(const PropertyList* value);
  // The text of a scope: a text, or the canonical form of an identifier object's 16 "NS.uuidbytes".
  std::optional<std::string> scopeString(const PropertyList* value);
  // A text as a one-element list, or the distinct texts of a collection in first-seen order.
  std::vector<std::string> idList(const PropertyList* value);
  // The standardised path of a file URL given as text or as an archived URL over a chain of bases.
  std::optional<std::string> fileURLPath(const PropertyList* value, std::vector<std::uint64_t>& ancestry, int depth);
  // One item and its sub-items; none for a malformed item, a cycle or when the load's limits are used up.
  std::optional<BackgroundItemRecord> parseItem(const PropertyList* value, const BackgroundItemsStore::Scope& scope,
                                                int depth, std::vector<std::uint64_t>& ancestry);

  // Whether no further item may be visited in this load.
  bool itemsExhausted() const;
  void markTruncated() { budget_.truncated = true; }
  // Counts `bytes` against the load's record bytes; false, with the load truncated, when they do not fit.
  bool charge(std::uint64_t bytes);

  BackgroundItemsBudget& budget() { return budget_; }

 private:
  // The index of a reference that lies inside the objects.
  std::optional<std::uint64_t> objectIndex(const PropertyList* value) const;

  const PlistArray& objects_;
  BackgroundItemsBudget& budget_;
  // Large dictionaries are looked up many times over (items may be shared): their keys are indexed once.
  std::unordered_map<const PlistDictionary*, std::array<const PropertyList*, kArchiveKeyCount>> largeIndex_;
};

}  // namespace corvane::discovery
