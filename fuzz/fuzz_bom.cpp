// libFuzzer target: the bill-of-materials reader on arbitrary bytes, through to the rebuilt listing.

#include <cstddef>
#include <cstdint>

#include "formats/bom_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  corvane::bom::Limits limits;
  limits.maxFileBytes = 1u << 20;
  limits.maxPaths = 1u << 16;
  limits.maxPathComponents = 256;
  limits.maxPathBytes = 1u << 22;
  auto paths = corvane::bom::readPaths({data, size}, limits);
  if (paths.has_value()) {
    volatile std::size_t length = corvane::bom::pathListing(*paths).size();
    (void)length;
  }
  return 0;
}
