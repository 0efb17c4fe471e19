// libFuzzer target: the keyed-archive walk on any property list, reading every object of "$objects" as a
// background item, a URL, a scope and an identifier list, whatever the store around it would say.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "corvane/formats/property_list.h"
#include "discovery/keyed_archive_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using corvane::discovery::ArchiveKey;
  static const corvane::PlistLimits kLimits{.maxBytes = 1u << 20, .maxObjects = 1u << 16, .maxDepth = 64};
  auto archive = corvane::plist::parse({data, size}, kLimits);
  if (!archive.has_value()) return 0;
  const corvane::PropertyList* objectsValue = archive->find("$objects");
  const corvane::PlistArray* objects = objectsValue ? objectsValue->asArray() : nullptr;
  if (!objects) return 0;

  corvane::discovery::BackgroundItemsBudget budget;
  corvane::discovery::KeyedArchiveWalk walk(*objects, budget);
  const corvane::BackgroundItemsStore::Scope scope{std::string("0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9"),
                                                   corvane::BackgroundItemScopeKind::currentUser};
  volatile std::size_t total = 0;
  std::vector<std::uint64_t> ancestry;
  for (const corvane::PropertyList& object : *objects) {
    if (walk.itemsExhausted()) break;
    ancestry.clear();
    if (auto item = walk.parseItem(&object, scope, 0, ancestry)) total = total + item->subItems.size() + 1;
    ancestry.clear();
    if (auto path = walk.fileURLPath(&object, ancestry, 0)) total = total + path->size();
    if (auto text = walk.scopeString(&object)) total = total + text->size();
    total = total + walk.idList(walk.member(walk.deref(&object), ArchiveKey::items)).size();
  }
  (void)total;
  return 0;
}
