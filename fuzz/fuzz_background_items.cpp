// libFuzzer target: one background-items store file's bytes, read as the store reader reads them.

#include <cstddef>
#include <cstdint>
#include <string>

#include "corvane/discovery/background_items_store.h"

namespace {

// Sums what came back so that every field of every record is touched.
std::size_t weigh(const corvane::BackgroundItemRecord& r) {
  std::size_t total = r.scopeUUID.value_or("").size() + r.label.value_or("").size() +
                      r.registeredURLPath.value_or("").size() + r.associatedBundleIdentifiers.size() +
                      static_cast<std::size_t>(r.typeCategory());
  for (const auto& sub : r.subItems) total += weigh(sub);
  return total;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::optional<std::string> kCurrentUser = std::string("0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9");
  auto records = corvane::BackgroundItemsStore::parse({data, size}, kCurrentUser);
  volatile std::size_t total = 0;
  for (const auto& r : records) total = total + weigh(r);
  (void)total;
  return 0;
}
