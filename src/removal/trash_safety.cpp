#include "corvane/removal/trash_safety.h"

#include <algorithm>

namespace corvane::TrashSafety {
namespace {

// The non-empty pieces of a path split at "/".
std::vector<std::string_view> pieces(std::string_view path) {
  std::vector<std::string_view> out;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find('/', start), path.size());
    if (end > start) out.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

}  // namespace

bool hasDotDotComponent(std::string_view path) {
  for (std::string_view piece : pieces(path))
    if (piece == "..") return true;
  return false;
}

std::optional<std::string> lexicalNormalize(std::string_view path) {
  if (path.empty() || path.front() != '/') return std::nullopt;
  std::vector<std::string_view> kept;
  for (std::string_view piece : pieces(path)) {
    if (piece == ".") continue;
    if (piece == "..") {
      if (!kept.empty()) kept.pop_back();
      continue;
    }
    kept.push_back(piece);
  }
  std::string out;
  for (std::string_view piece : kept) {
    out += '/';
    out += piece;
  }
  return out.empty() ? std::string("/") : out;
}

bool isInsideAnyTrash(std::string_view path, const std::vector<std::string>& roots) {
  if (hasDotDotComponent(path)) return false;
  const std::optional<std::string> normalized = lexicalNormalize(path);
  if (!normalized) return false;
  for (const std::string& root : roots) {
    if (hasDotDotComponent(root)) continue;
    const std::optional<std::string> normalizedRoot = lexicalNormalize(root);
    if (!normalizedRoot || *normalizedRoot == "/") continue;
    const std::string prefix = *normalizedRoot + "/";
    if (normalized->size() > prefix.size() && normalized->compare(0, prefix.size(), prefix) == 0) return true;
  }
  return false;
}

}  // namespace corvane::TrashSafety
