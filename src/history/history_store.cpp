#include "corvane/history_store.h"

#include <algorithm>
#include <cerrno>

#include "corvane/json_forms.h"

namespace corvane {

namespace {

// "2026-12-04T18:41:39Z" -> "20261204T184139Z": the same instant without the characters that file
// browsers show oddly in names.
std::string compactDate(Date date) {
  std::string text;
  for (char c : date::iso8601(date))
    if (c != '-' && c != ':') text.push_back(c);
  return text;
}

// The records of a history file, or none when any part of it is malformed.
std::optional<std::vector<UninstallRecord>> decodeHistory(const std::string& text) {
  auto parsed = json::parse(text);
  if (!parsed.has_value() || !parsed->is_array()) return std::nullopt;
  std::vector<UninstallRecord> records;
  records.reserve(parsed->size());
  for (const auto& element : *parsed) {
    auto record = json::decode<UninstallRecord>(element);
    if (!record.has_value()) return std::nullopt;
    records.push_back(std::move(record).value());
  }
  return records;
}

std::string encodeHistory(const std::vector<UninstallRecord>& records) {
  json::Json array = json::Json::array();
  for (const auto& record : records) array.push_back(json::encode(record));
  return json::prettySorted(array);
}

}  // namespace

HistoryStore::HistoryStore(HistoryFileManager fileManager, const Layout& layout)
    : HistoryStore(std::move(fileManager), defaultURL(layout)) {}

HistoryStore::HistoryStore(HistoryFileManager fileManager, Url historyURL)
    : fileManager_(std::move(fileManager)), historyURL_(std::move(historyURL)) {
  load();
}

Url HistoryStore::defaultURL(const Layout& layout) { return Url::fileURL(layout.applicationSupport() + "/history.json"); }

void HistoryStore::append(UninstallRecord record) {
  change([&](std::vector<UninstallRecord>& records) { records.insert(records.begin(), std::move(record)); });
  // A failed write keeps the record in memory for the life of this store.
  (void)persist();
}

void HistoryStore::remove(const Uuid& id) {
  auto matches = [&](const UninstallRecord& r) { return r.id == id; };
  if (std::none_of(records_.begin(), records_.end(), matches)) return;
  change([&](std::vector<UninstallRecord>& records) { std::erase_if(records, matches); });
  if (!persist()) load();
}

void HistoryStore::clear() {
  if (records_.empty()) return;
  change([](std::vector<UninstallRecord>& records) { records.clear(); });
  if (!persist()) load();
}

bool HistoryStore::setFollowUp(const Uuid& id, AnalysisSnapshot snapshot) {
  auto it = std::find_if(records_.begin(), records_.end(), [&](const UninstallRecord& r) { return r.id == id; });
  if (it == records_.end()) return false;
  const auto index = static_cast<std::size_t>(it - records_.begin());
  change([&](std::vector<UninstallRecord>& records) { records[index].followUpSnapshot = std::move(snapshot); });
  if (persist()) return true;
  load();
  return false;
}

HistoryStore::ObserverID HistoryStore::addObserver(WillChange willChange, DidChange didChange) {
  ObserverID id = nextObserverID_++;
  observers_.push_back(Observer{id, std::move(willChange), std::move(didChange)});
  return id;
}

void HistoryStore::removeObserver(ObserverID id) {
  std::erase_if(observers_, [&](const Observer& o) { return o.id == id; });
}

template <class Mutation>
void HistoryStore::change(Mutation mutate) {
  // A copy, so that observers may add or remove observers while they are called.
  const std::vector<Observer> observers = observers_;
  for (const auto& o : observers)
    if (o.willChange) o.willChange();
  mutate(records_);
  for (const auto& o : observers)
    if (o.didChange) o.didChange(records_);
}

void HistoryStore::replaceRecords(std::vector<UninstallRecord> records) {
  change([&](std::vector<UninstallRecord>& current) { current = std::move(records); });
}

void HistoryStore::load() {
  auto bytes = fileManager_.readFile(historyURL_.path());
  if (!bytes.has_value()) {
    // No file is an empty history; a file that is there but cannot be read must not be written over.
    const int code = bytes.error().code;
    fileIsUnreadable_ = code != ENOENT && code != ENOTDIR;
    return;
  }
  auto decoded = decodeHistory(*bytes);
  if (!decoded) {
    fileIsUnreadable_ = true;
    return;
  }
  fileIsUnreadable_ = false;
  // Newest first; records with equal dates keep their order in the file.
  std::stable_sort(decoded->begin(), decoded->end(),
                   [](const UninstallRecord& a, const UninstallRecord& b) { return a.createdAt > b.createdAt; });
  replaceRecords(std::move(*decoded));
}

bool HistoryStore::keepUnreadableFileAside() {
  const std::string path = historyURL_.path();
  const std::string base = path + ".unreadable-" + compactDate(fileManager_.now());
  for (int n = 1; n <= kMaxKeptAsideNames; ++n) {
    std::string aside = n == 1 ? base : base + "-" + std::to_string(n);
    auto moved = fileManager_.moveExclusive(path, aside);
    if (moved.has_value()) {
      keptAsideURL_ = Url::fileURL(aside);
      fileIsUnreadable_ = false;
      return true;
    }
    if (moved.error().code == ENOENT) {  // gone meanwhile: nothing left to keep
      fileIsUnreadable_ = false;
      return true;
    }
    if (moved.error().code != EEXIST) return false;
  }
  return false;
}

bool HistoryStore::persist() {
  const std::string path = historyURL_.path();
  if (!fileManager_.createFolders(historyURL_.deletingLastPathComponent().path()).has_value()) return false;
  if (fileIsUnreadable_ && !keepUnreadableFileAside()) return false;
  return fileManager_.writeAtomically(path, encodeHistory(records_)).has_value();
}

}  // namespace corvane
