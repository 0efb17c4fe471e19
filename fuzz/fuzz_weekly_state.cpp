// libFuzzer target: the weekly leftover check's state file on arbitrary bytes. What decodes must survive
// being written and read back unchanged.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "corvane/orphans/leftover_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto state = corvane::LeftoverCheckState::decode({reinterpret_cast<const char*>(data), size});
  if (!state) return 0;
  auto again = corvane::LeftoverCheckState::decode(state->encoded());
  if (!again || *again != *state) std::abort();
  return 0;
}
