#pragma once
// Small keyed archives for the background-items tests: hand-built object graphs, including malformed and
// hostile ones, written as binary property lists.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "corvane/property_list.h"
#include "sample_mac/background_items_builder.h"
#include "sample_mac/plist_writer.h"

namespace corvane::btmtest {

using testing::KeyedArchiveBuilder;

inline constexpr const char* kUserScope = "0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9";
inline constexpr const char* kOtherScope = "11111111-2222-4333-8444-555555555555";
inline constexpr const char* kSentinelScope = "FFFFEEEE-DDDD-CCCC-BBBB-AAAAFFFFFFFF";

inline std::vector<std::uint8_t> bytesOf(const PropertyList& archive) { return testing::writeBinaryPlist(archive); }

// An item object with just an identifier (and the given extra entries); returns its reference.
inline PlistUID bareItem(KeyedArchiveBuilder& a, const std::string& identifier, PlistDictionary extra = {}) {
  PlistDictionary d{{"identifier", PropertyList(a.text(identifier))}};
  for (auto& entry : extra) d.push_back(std::move(entry));
  return a.add(std::move(d));
}

// An archived list of references, as "items" and the per-scope arrays hold them.
inline PlistUID list(KeyedArchiveBuilder& a, const std::vector<PlistUID>& elements) { return a.array(elements); }

// "$top" = {"store": S} whose itemsByUserIdentifier maps each text scope to an archived list reference.
inline PropertyList globalStore(KeyedArchiveBuilder& a, const std::vector<std::pair<std::string, PlistUID>>& scopes) {
  std::vector<std::pair<PlistUID, PlistUID>> entries;
  for (const auto& [scope, items] : scopes) entries.emplace_back(a.text(scope), items);
  PlistUID store = a.add(PlistDictionary{{"itemsByUserIdentifier", PropertyList(a.dictionary(entries))}});
  return a.archive("store", store);
}

// A global store of one scope holding `items`.
inline PropertyList oneScopeStore(KeyedArchiveBuilder& a, const std::vector<PlistUID>& items,
                                  const std::string& scope = kUserScope) {
  return globalStore(a, {{scope, list(a, items)}});
}

}  // namespace corvane::btmtest
