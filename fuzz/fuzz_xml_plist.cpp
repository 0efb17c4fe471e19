// libFuzzer target: the XML property-list reader on arbitrary bytes.

#include <cstddef>
#include <cstdint>

#include "corvane/formats/property_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const corvane::PlistLimits limits{.maxBytes = 1u << 16, .maxObjects = 4096, .maxDepth = 32};
  auto result = corvane::plist::parseXML({data, size}, limits);
  if (result.has_value()) {
    // Walk what came back: equality visits every value.
    volatile bool same = *result == *result;
    (void)same;
  }
  return 0;
}
