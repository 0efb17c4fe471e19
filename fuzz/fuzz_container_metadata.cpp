// libFuzzer target: a container folder's metadata file on arbitrary bytes, read as the analyzer reads it
// (any property-list form, its size limit) down to matching the owner it records against an app.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "analysis/location_assessments.h"
#include "corvane/formats/property_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const corvane::PlistLimits kLimits{.maxBytes = 4u << 20};
  static const corvane::AppIdentity kApp{.name = "Glimmer", .bundleIdentifier = "com.example.glimmer"};
  auto metadata = corvane::plist::parse({data, size}, kLimits);
  if (!metadata.has_value() || !metadata->asDictionary()) return 0;
  std::optional<std::string> owner = metadata->string("MCMMetadataIdentifier");
  if (!owner) owner = metadata->string("Identifier");
  if (owner && !owner->empty()) {
    volatile auto match = corvane::LocationAssessments::bestOwnerMatch(*owner, kApp);
    (void)match;
  }
  return 0;
}
