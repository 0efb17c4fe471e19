#include "report/location_text.h"

namespace corvane::report {

std::string unreadLocationsLine(const std::vector<LocationAccess>& locations) {
  std::size_t denied = 0;
  for (const auto& location : locations) denied += location.access == Access::denied;
  if (denied == 0) return "";
  return std::to_string(denied) + (denied == 1 ? " searched location" : " searched locations") +
         " could not be read (see corvane doctor).\n";
}

}  // namespace corvane::report
