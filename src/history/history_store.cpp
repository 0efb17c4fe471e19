#include "corvane/history/history_store.h"

#include <algorithm>
#include <cerrno>

#include "corvane/model/json_forms.h"

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
  auto records = fromJSON<std::vector<UninstallRecord>>(text);
  if (!records.has_value()) return std::nullopt;
  return std::move(records).value();
}

std::string encodeHistory(const std::vector<UninstallRecord>& records) {
  return toJSON(records, JsonLayout::prettySorted);
}

}  // namespace

HistoryStore::HistoryStore(HistoryFileManager fileManager, const Layout& layout)
    : HistoryStore(std::move(fileManager), defaultURL(layout)) {}

HistoryStore::HistoryStore(HistoryFileManager fileManager, Url historyURL)
    : fileManager_(std::move(fileManager)), historyURL_(std::move(historyURL)) {
  load();
}

Url HistoryStore::defaultURL(const Layout& layout) { return Url::fileURL(layout.applicationSupport() + "/history.json"); }

Status HistoryStore::append(UninstallRecord record) {
  auto written = commit(
      [&](std::vector<UninstallRecord>& records) {
        records.insert(records.begin(), std::move(record));
        return true;
      },
      /*keepOnFailure=*/true);
  if (!written.has_value()) return written.error();
  return Ok{};
}

Status HistoryStore::remove(const Uuid& id) {
  auto written = commit(
      [&](std::vector<UninstallRecord>& records) {
        return std::erase_if(records, [&](const UninstallRecord& r) { return r.id == id; }) != 0;
      },
      false);
  if (!written.has_value()) return written.error();
  return Ok{};
}

Status HistoryStore::clear() {
  auto written = commit(
      [](std::vector<UninstallRecord>& records) {
        if (records.empty()) return false;
        records.clear();
        return true;
      },
      false);
  if (!written.has_value()) return written.error();
  return Ok{};
}

bool HistoryStore::setFollowUp(const Uuid& id, AnalysisSnapshot snapshot) {
  auto written = commit(
      [&](std::vector<UninstallRecord>& records) {
        auto it = std::find_if(records.begin(), records.end(), [&](const UninstallRecord& r) { return r.id == id; });
        if (it == records.end()) return false;
        it->followUpSnapshot = std::move(snapshot);
        return true;
      },
      false);
  return written.has_value() && *written;
}

template <class Edit>
Result<bool> HistoryStore::commit(Edit edit, bool keepOnFailure) {
  const std::string path = historyURL_.path();
  // Folder, lock and leftovers first; if any of them fails the change still happens in memory and then
  // fails like a write.
  std::shared_ptr<void> lock;
  Status ready = fileManager_.createFolders(historyURL_.deletingLastPathComponent().path());
  if (ready.has_value() && fileManager_.lock) {
    auto locked = fileManager_.lock(path);
    if (locked.has_value()) {
      lock = std::move(locked).value();
    } else {
      ready = locked.error();
    }
  }
  std::vector<UninstallRecord> base = records_;
  if (ready.has_value()) {
    if (fileManager_.removeLeftoverTemporaries) fileManager_.removeLeftoverTemporaries(path);
    // What other processes wrote since this store last looked counts. The file is in the order the stores
    // wrote it (an appended record first even when it is older); only loading sorts.
    if (auto fresh = readRecords(false)) base = std::move(*fresh);
  }
  std::vector<UninstallRecord> next = base;
  if (!edit(next)) {
    if (base != records_) replaceRecords(std::move(base));
    return false;
  }
  replaceRecords(std::move(next));
  Status written = ready.has_value() ? persist() : ready;
  if (written.has_value()) return true;
  if (!keepOnFailure) load();
  return written.error();
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
  recordsAreFile_.reset();
  change([&](std::vector<UninstallRecord>& current) { current = std::move(records); });
}

HistoryStore::TextKey HistoryStore::keyOf(const std::string& text) { return {text.size(), std::hash<std::string>{}(text)}; }

std::optional<std::vector<UninstallRecord>> HistoryStore::readRecords(bool newestFirst) {
  auto bytes = fileManager_.readFile(historyURL_.path());
  if (!bytes.has_value()) {
    // No file is an empty history; a file that is there but cannot be read must not be written over.
    const int code = bytes.error().code;
    fileIsUnreadable_ = code != ENOENT && code != ENOTDIR;
    return std::nullopt;
  }
  const TextKey key = keyOf(*bytes);
  lastRead_ = key;
  if (recordsAreFile_ == key) {
    // The very text this store last read or wrote: its records are the ones in memory.
    fileIsUnreadable_ = false;
    std::vector<UninstallRecord> same = records_;
    if (newestFirst)
      std::stable_sort(same.begin(), same.end(),
                       [](const UninstallRecord& a, const UninstallRecord& b) { return a.createdAt > b.createdAt; });
    return same;
  }
  auto decoded = decodeHistory(*bytes);
  if (!decoded) {
    fileIsUnreadable_ = true;
    return std::nullopt;
  }
  fileIsUnreadable_ = false;
  // Newest first; records with equal dates keep their order in the file.
  if (newestFirst)
    std::stable_sort(decoded->begin(), decoded->end(),
                     [](const UninstallRecord& a, const UninstallRecord& b) { return a.createdAt > b.createdAt; });
  return decoded;
}

void HistoryStore::load() {
  auto records = readRecords(false);
  if (!records) return;
  auto newestFirst = [](const UninstallRecord& a, const UninstallRecord& b) { return a.createdAt > b.createdAt; };
  // Sorting keeps records with equal dates in file order, so an already sorted file is held as it is.
  const bool inFileOrder = std::is_sorted(records->begin(), records->end(), newestFirst);
  std::stable_sort(records->begin(), records->end(), newestFirst);
  const auto key = lastRead_;
  replaceRecords(std::move(*records));
  if (inFileOrder) recordsAreFile_ = key;
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

Status HistoryStore::persist() {
  const std::string path = historyURL_.path();
  if (fileIsUnreadable_ && !keepUnreadableFileAside())
    return Error::invalid("the unreadable history file could not be kept aside", path);
  const std::string text = encodeHistory(records_);
  Status written = fileManager_.writeAtomically(path, text);
  if (written.has_value()) recordsAreFile_ = keyOf(text);
  return written;
}

}  // namespace corvane
