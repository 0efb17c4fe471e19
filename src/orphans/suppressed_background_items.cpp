#include "corvane/orphans/suppressed_background_items.h"

#include "model/json_value.h"
#include "platform/atomic_file.h"
#include "platform/file_io.h"
#include "platform/file_lock.h"

namespace corvane {

SuppressedBackgroundItems::SuppressedBackgroundItems(const Layout& layout, std::chrono::milliseconds lockWait)
    : folder_(layout.applicationSupport()), path_(folder_ + "/suppressed-background-items.json"), lockWait_(lockWait) {}

std::set<std::string> SuppressedBackgroundItems::labels() const {
  std::set<std::string> labels;
  auto bytes = platform::readFileBytes(path_, kMaxSuppressedLabelsBytes);
  if (!bytes.has_value()) return labels;
  auto parsed = json::parse(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
  if (!parsed.has_value() || !parsed->is_array()) return labels;
  for (const auto& entry : *parsed)
    if (entry.is_string()) labels.insert(entry.get<std::string>());
  return labels;
}

Status SuppressedBackgroundItems::remember(const std::string& label) const {
  if (Status made = platform::createDirectories(folder_); !made.has_value()) return made;
  auto lock = platform::lockExclusively(folder_, ".suppressed-background-items.json.lock", lockWait_);
  if (!lock.has_value()) return lock.error();
  std::set<std::string> all = labels();
  all.insert(label);
  return platform::writeFileAtomically(path_, json::Json(all).dump() + "\n");
}

}  // namespace corvane
