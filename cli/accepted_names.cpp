#include "cli/accepted_names.h"

namespace corvane::cli {

std::string looseName(std::string_view text) {
  std::string loose;
  for (unsigned char c : text) {
    if (c >= 'A' && c <= 'Z') loose += static_cast<char>(c - 'A' + 'a');
    else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) loose += static_cast<char>(c);
  }
  return loose;
}

std::optional<std::size_t> acceptedIndex(std::string_view given, const std::vector<std::vector<std::string>>& names) {
  const std::string wanted = looseName(given);
  if (wanted.empty()) return std::nullopt;
  for (std::size_t i = 0; i < names.size(); ++i)
    for (const auto& name : names[i])
      if (looseName(name) == wanted) return i;
  return std::nullopt;
}

}  // namespace corvane::cli
