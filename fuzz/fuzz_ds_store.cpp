// libFuzzer target: the .DS_Store parser on arbitrary bytes, through to a Trash folder's Put Back table.

#include <cstddef>
#include <cstdint>

#include "corvane/formats/ds_store.h"
#include "corvane/history/put_back.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto parsed = corvane::DSStore::parse({data, size});
  if (parsed.ok()) {
    volatile std::size_t entries = corvane::PutBackStore::resolve(parsed.records, "/Volumes/Disk").size();
    (void)entries;
  }
  return 0;
}
