#include "corvane/discovery/finder_extension_state.h"

namespace corvane::FinderExtensionState {

std::optional<bool> isEnabled(std::string_view pluginkitOutput, std::string_view bundleID) {
  bool listed = false;
  std::size_t start = 0;
  while (start < pluginkitOutput.size()) {
    std::size_t end = pluginkitOutput.find('\n', start);
    if (end == std::string_view::npos) end = pluginkitOutput.size();
    std::string_view line = pluginkitOutput.substr(start, end - start);
    start = end + 1;
    if (line.empty() || line.find(bundleID) == std::string_view::npos) continue;
    if (line.front() == '+') return true;
    listed = true;
  }
  if (!listed) return std::nullopt;
  return false;
}

}  // namespace corvane::FinderExtensionState
