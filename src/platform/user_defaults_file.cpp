// The defaults kept in a small JSON file, rewritten whole and atomically.

#include "platform/user_defaults.h"

#include <string_view>

#include "model/json_value.h"
#include "platform/atomic_file.h"
#include "platform/file_io.h"

namespace corvane::platform {

namespace {

constexpr std::size_t kMaxStoreBytes = 1024 * 1024;

nlohmann::json readStore(const std::string& storeFile) {
  auto bytes = readFileBytes(storeFile, kMaxStoreBytes);
  if (!bytes.has_value()) return nlohmann::json::object();
  auto parsed = json::parse(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
  if (!parsed.has_value() || !parsed->is_object()) return nlohmann::json::object();
  return std::move(*parsed);
}

}  // namespace

std::optional<bool> fileDefaultsBool(const std::string& key, const std::string& storeFile) {
  const nlohmann::json store = readStore(storeFile);
  auto it = store.find(key);
  if (it == store.end() || !it->is_boolean()) return std::nullopt;
  return it->get<bool>();
}

Status setFileDefaultsBool(const std::string& key, bool value, const std::string& storeFile) {
  nlohmann::json store = readStore(storeFile);
  store[key] = value;
  const auto slash = storeFile.rfind('/');
  if (slash != std::string::npos && slash > 0) (void)createDirectories(storeFile.substr(0, slash));
  return writeFileAtomically(storeFile, store.dump(), 0600);
}

}  // namespace corvane::platform
