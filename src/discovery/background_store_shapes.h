#pragma once
// The three shapes a background-items store file may have, recognised from its bytes, and the readers
// of the two shapes that hold records: the global store (items of every scope) and the per-user archive.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "corvane/discovery/background_items_store.h"
#include "corvane/formats/property_list.h"
#include "discovery/keyed_archive_walk.h"

namespace corvane::discovery {

struct ArchiveContainer {
  enum class Shape { globalStore, scopeArchive, scopeIndex, unrecognized };

  Shape shape = Shape::unrecognized;
  std::unique_ptr<PropertyList> archive;   // the parsed file; the pointers below point into it
  const PlistArray* objects = nullptr;     // "$objects"
  const PropertyList* store = nullptr;     // the global store or the per-user store object
  std::vector<std::string> indexedScopes;  // a scope index's identifiers, upper-case
};

// Recognises the shape of one store file's bytes.
ArchiveContainer containerOf(std::span<const std::uint8_t> bytes);

// Appends the records of a global store, scope by scope.
void parseV16Store(const ArchiveContainer& store, const std::optional<std::string>& currentUserScopeUUID,
                   BackgroundItemsBudget& budget, std::vector<BackgroundItemRecord>& records);

// Appends the records of a per-user archive; `filenameScope` is the scope its file name gives.
void parseScopeArchive(const ArchiveContainer& archive, const std::optional<std::string>& filenameScope,
                       const std::optional<std::string>& currentUserScopeUUID, BackgroundItemsBudget& budget,
                       std::vector<BackgroundItemRecord>& records);

// The bytes of a regular file of 1 to maxStoreFileBytes bytes that still fit the load's byte budget
// (counted into it); none otherwise.
std::optional<std::vector<std::uint8_t>> readStoreFile(const std::string& path, BackgroundItemsBudget& budget);

}  // namespace corvane::discovery
