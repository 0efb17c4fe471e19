// The weekly check's state file and its lock.

#include <algorithm>
#include <charconv>
#include <cmath>

#include "corvane/orphans/leftover_check.h"
#include "model/json_value.h"
#include "platform/atomic_file.h"
#include "platform/file_io.h"
#include "platform/file_lock.h"

namespace corvane {

namespace {

// Seconds from 1970-01-01 to 2001-01-01, the origin of the stored dates.
constexpr double kReferenceDateOffset = 978307200.0;

std::string folderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

void appendNumber(std::string& out, double value) {
  char buffer[64];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  if (ec == std::errc()) out.append(buffer, end);
}

void appendString(std::string& out, std::string_view text) {
  static const char kHex[] = "0123456789abcdef";
  out += '"';
  for (const char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '/': out += "\\/"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          out += "\\u00";
          out += kHex[(c >> 4) & 0xf];
          out += kHex[c & 0xf];
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

}  // namespace

std::string LeftoverCheckState::encoded() const {
  std::string out = "{\"schemaVersion\":" + std::to_string(schemaVersion);
  if (lastCheckedAt) {
    out += ",\"lastCheckedAt\":";
    appendNumber(out, lastCheckedAt->time_since_epoch().count() - kReferenceDateOffset);
  }
  if (reportedKeys) {
    out += ",\"reportedKeys\":[";
    for (std::size_t i = 0; i < reportedKeys->size(); ++i) {
      if (i) out += ',';
      appendString(out, (*reportedKeys)[i]);
    }
    out += ']';
  }
  return out + "}";
}

std::optional<LeftoverCheckState> LeftoverCheckState::decode(std::string_view text) {
  auto parsed = json::parse(text);
  if (!parsed.has_value() || !parsed->is_object()) return std::nullopt;
  const nlohmann::json& object = *parsed;
  LeftoverCheckState state;

  auto version = object.find("schemaVersion");
  if (version == object.end() || !version->is_number()) return std::nullopt;
  const double number = version->get<double>();
  if (number != std::floor(number) || std::fabs(number) > 2147483647.0) return std::nullopt;
  state.schemaVersion = static_cast<int>(number);

  if (auto date = object.find("lastCheckedAt"); date != object.end() && !date->is_null()) {
    if (!date->is_number()) return std::nullopt;
    const double seconds = date->get<double>();
    if (!std::isfinite(seconds)) return std::nullopt;
    state.lastCheckedAt = PreciseDate(std::chrono::duration<double>(seconds + kReferenceDateOffset));
  }
  if (auto keys = object.find("reportedKeys"); keys != object.end() && !keys->is_null()) {
    if (!keys->is_array()) return std::nullopt;
    std::vector<std::string> list;
    list.reserve(keys->size());
    for (const auto& k : *keys) {
      if (!k.is_string()) return std::nullopt;
      list.push_back(k.get<std::string>());
    }
    state.reportedKeys = std::move(list);
  }
  return state;
}

LeftoverCheckLock& LeftoverCheckLock::operator=(LeftoverCheckLock&& other) noexcept {
  if (this != &other) {
    release();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

void LeftoverCheckLock::release() {
  if (fd_ < 0) return;
  platform::unlockAndClose(fd_);
  fd_ = -1;
}

LeftoverCheckStore::LeftoverCheckStore(const Layout& layout)
    : fileURL_(layout.applicationSupport() + "/leftover-check.json") {}

LeftoverCheckStore::LeftoverCheckStore(std::string filePath) : fileURL_(std::move(filePath)) {}

std::string LeftoverCheckStore::lockURL() const { return folderOf(fileURL_) + "/" + std::string(lockName); }

LeftoverCheckState LeftoverCheckStore::load() const {
  auto bytes = platform::readFileBytes(fileURL_, maxStateBytes);
  if (!bytes.has_value()) return {};
  auto state = LeftoverCheckState::decode(
      std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
  return state.value_or(LeftoverCheckState{});
}

Status LeftoverCheckStore::save(const LeftoverCheckState& state) const {
  if (auto made = platform::createDirectories(folderOf(fileURL_)); !made.has_value()) return made;
  return platform::writeFileAtomically(fileURL_, state.encoded(), 0644);
}

std::optional<LeftoverCheckLock> LeftoverCheckStore::acquireLock() const {
  (void)platform::createDirectories(folderOf(fileURL_));
  auto fd = platform::tryLockExclusively(lockURL());
  if (!fd.has_value()) return std::nullopt;
  // Every writer holds the lock, so the temporaries of the state file found now are those of a writer
  // that was killed mid-write.
  const std::string file = fileURL_.substr(fileURL_.rfind('/') + 1);
  (void)platform::removeItemsWithPrefix(folderOf(fileURL_), "." + file + ".tmp-");
  return LeftoverCheckLock(fd->release());
}

bool LeftoverCheckStore::reset(int attempts, unsigned pauseMicroseconds) const {
  const int tries = std::max(attempts, 1);
  for (int attempt = 1; attempt <= tries; ++attempt) {
    if (auto lock = acquireLock()) {
      const bool saved = save(LeftoverCheckState{}).has_value();
      lock->release();
      return saved;
    }
    if (attempt < tries) platform::pauseMicroseconds(pauseMicroseconds);
  }
  return false;
}

}  // namespace corvane
