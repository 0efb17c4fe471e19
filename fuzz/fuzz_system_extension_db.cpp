// libFuzzer target: the system-extensions database (XML or binary) read into catalog records, with
// guidance built for each record.

#include <cstddef>
#include <cstdint>

#include "corvane/discovery/system_extension_catalog.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const corvane::PlistLimits limits{.maxBytes = 1u << 16, .maxObjects = 4096, .maxDepth = 32};
  auto database = corvane::plist::parse({data, size}, limits);
  if (!database.has_value()) return 0;
  for (const auto& record : corvane::SystemExtensionCatalog::records(*database)) {
    auto guidance = corvane::SystemExtensionCatalog::removalGuidance(
        record, corvane::Url::fileURL("/Library/SystemExtensions/" + record.uniqueID.value_or("") + "/" + record.extID));
    volatile std::size_t length = guidance.explanation.size();
    (void)length;
  }
  return 0;
}
