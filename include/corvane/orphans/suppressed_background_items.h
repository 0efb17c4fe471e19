#pragma once
// The background items the user turned off, remembered by label so that later orphan scans no longer list
// them: the layout's Corvane folder + "/suppressed-background-items.json", a JSON array of labels. The file
// is rewritten whole and atomically under its writers' lock (".suppressed-background-items.json.lock"
// beside it), so that two processes at once keep both labels.

#include <chrono>
#include <set>
#include <string>

#include "corvane/base/result.h"
#include "corvane/model/layout.h"

namespace corvane {

// Files larger than this read as holding no labels.
inline constexpr std::size_t kMaxSuppressedLabelsBytes = 4u * 1024 * 1024;

class SuppressedBackgroundItems {
 public:
  explicit SuppressedBackgroundItems(const Layout& layout,
                                     std::chrono::milliseconds lockWait = std::chrono::milliseconds(10000));

  const std::string& path() const { return path_; }
  // The remembered labels; none for a missing, unreadable or malformed file.
  std::set<std::string> labels() const;
  // Adds the label, creating the folder when needed.
  Status remember(const std::string& label) const;

 private:
  std::string folder_;
  std::string path_;
  std::chrono::milliseconds lockWait_;
};

}  // namespace corvane
