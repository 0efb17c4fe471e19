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

// The encoding of a history with one more record first, from the encoding of that record alone as a
// history ("[\n  {...}\n]") and the encoding of the rest: an array element's text does not depend on its
// neighbours, so "[\n" + the element + ",\n" + the rest's elements and closing bracket is exactly what
// encoding the whole history gives. None when either text is not shaped like an encoded history.
std::optional<std::string> encodeWithFirst(const std::string& first, const std::string& rest) {
  if (rest == "[]") return first;
  constexpr std::string_view kOpen = "[\n", kClose = "\n]";
  const auto shaped = [&](const std::string& text) {
    return text.size() > kOpen.size() + kClose.size() && text.starts_with(kOpen) && text.ends_with(kClose);
  };
  if (!shaped(first) || !shaped(rest)) return std::nullopt;
  std::string text;
  text.reserve(first.size() + rest.size());
  text.append(first, 0, first.size() - kClose.size());
  text.append(",\n");
  text.append(rest, kOpen.size());
  return text;
}

bool newerFirst(const UninstallRecord& a, const UninstallRecord& b) { return a.createdAt > b.createdAt; }

}  // namespace

HistoryStore::HistoryStore(HistoryFileManager fileManager, const Layout& layout)
    : HistoryStore(std::move(fileManager), defaultURL(layout)) {}

HistoryStore::HistoryStore(HistoryFileManager fileManager, Url historyURL)
    : fileManager_(std::move(fileManager)), historyURL_(std::move(historyURL)) {
  load();
}

const UninstallRecord* HistoryStore::find(const std::string& idText) const {
  auto id = Uuid::parse(idText);
  if (!id) return nullptr;
  auto it = std::find_if(records_.begin(), records_.end(), [&](const UninstallRecord& r) { return r.id == *id; });
  return it == records_.end() ? nullptr : &*it;
}

Url HistoryStore::defaultURL(const Layout& layout) { return Url::fileURL(layout.applicationSupport() + "/history.json"); }

Status HistoryStore::append(UninstallRecord record) {
  std::optional<std::string> alone;
  if (fileText_) alone = encodeHistory({record});
  auto written = commit([](const std::vector<UninstallRecord>&) { return true; },
                        [&](std::vector<UninstallRecord>& records) { records.insert(records.begin(), std::move(record)); },
                        /*keepOnFailure=*/true, std::move(alone));
  if (!written.has_value()) return written.error();
  return Ok{};
}

Status HistoryStore::remove(const Uuid& id) {
  const auto matches = [&](const UninstallRecord& r) { return r.id == id; };
  auto written = commit([&](const std::vector<UninstallRecord>& records) { return std::ranges::any_of(records, matches); },
                        [&](std::vector<UninstallRecord>& records) { std::erase_if(records, matches); }, false);
  if (!written.has_value()) return written.error();
  return Ok{};
}

Status HistoryStore::clear() {
  auto written = commit([](const std::vector<UninstallRecord>& records) { return !records.empty(); },
                        [](std::vector<UninstallRecord>& records) { records.clear(); }, false);
  if (!written.has_value()) return written.error();
  return Ok{};
}

bool HistoryStore::setFollowUp(const Uuid& id, AnalysisSnapshot snapshot) {
  const auto matches = [&](const UninstallRecord& r) { return r.id == id; };
  auto written = commit([&](const std::vector<UninstallRecord>& records) { return std::ranges::any_of(records, matches); },
                        [&](std::vector<UninstallRecord>& records) {
                          std::ranges::find_if(records, matches)->followUpSnapshot = std::move(snapshot);
                        },
                        false);
  return written.has_value() && *written;
}

void HistoryStore::Reservation::release() {
  if (store_ != nullptr) store_->reservedLock_.reset();
  store_ = nullptr;
}

Result<HistoryStore::Reservation> HistoryStore::reserve() {
  if (reservedLock_) return Error::invalid("the history file is already reserved", historyURL_.path());
  const std::string folder = historyURL_.deletingLastPathComponent().path();
  Status ready = fileManager_.createFolders(folder);
  if (ready.has_value() && fileManager_.checkFolderWritable) ready = fileManager_.checkFolderWritable(folder);
  if (!ready.has_value()) return ready.error();
  if (fileManager_.lock) {
    auto locked = fileManager_.lock(historyURL_.path());
    if (!locked.has_value()) return locked.error();
    reservedLock_ = std::move(locked).value();
  } else {
    reservedLock_ = std::make_shared<int>(0);
  }
  return Reservation(this);
}

template <class Applies, class Mutate>
Result<bool> HistoryStore::commit(Applies applies, Mutate mutate, bool keepOnFailure, std::optional<std::string> prepended) {
  const std::string path = historyURL_.path();
  // Folder, lock and leftovers first; if any of them fails the change still happens in memory and then
  // fails like a write.
  std::shared_ptr<void> lock = reservedLock_;
  Status ready = fileManager_.createFolders(historyURL_.deletingLastPathComponent().path());
  if (ready.has_value() && !lock && fileManager_.lock) {
    auto locked = fileManager_.lock(path);
    if (locked.has_value()) {
      lock = std::move(locked).value();
    } else {
      ready = locked.error();
    }
  }
  // What other processes wrote since this store last looked counts. The file is in the order the stores
  // wrote it (an appended record first even when it is older); only loading sorts.
  std::vector<UninstallRecord> fresh;
  std::string freshText;
  FileRead read = FileRead::absent;
  if (ready.has_value()) {
    if (fileManager_.removeLeftoverTemporaries) fileManager_.removeLeftoverTemporaries(path);
    read = readFile(fresh, freshText);
  }
  const bool other = read == FileRead::other;
  if (!applies(other ? fresh : records_)) {
    if (other && fresh != records_) replaceRecords(std::move(fresh));
    return false;
  }
  // The text records_ encode to, while they are still what it describes.
  std::optional<std::string> before = other ? std::nullopt : std::move(fileText_);
  fileText_.reset();
  // A text read from disk is spliced into only once it proves to be what encoding its records gives.
  if (before && prepended && !fileTextIsEncoding_ && encodeHistory(records_) != *before) before.reset();
  change([&](std::vector<UninstallRecord>& current) {
    if (other) current = std::move(fresh);
    mutate(current);
  });
  std::optional<std::string> text;
  if (before && prepended) text = encodeWithFirst(*prepended, *before);
  Status written = ready.has_value() ? persist(std::move(text)) : ready;
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
  fileText_.reset();
  change([&](std::vector<UninstallRecord>& current) { current = std::move(records); });
}

HistoryStore::FileRead HistoryStore::readFile(std::vector<UninstallRecord>& records, std::string& text) {
  auto bytes = fileManager_.readFile(historyURL_.path());
  if (!bytes.has_value()) {
    // No file is an empty history; a file that is there but cannot be read must not be written over.
    const int code = bytes.error().code;
    fileIsUnreadable_ = code != ENOENT && code != ENOTDIR;
    return FileRead::absent;
  }
  if (fileText_ && *bytes == *fileText_) {
    fileIsUnreadable_ = false;
    return FileRead::same;
  }
  auto decoded = decodeHistory(*bytes);
  fileIsUnreadable_ = !decoded;
  if (!decoded) return FileRead::absent;
  records = std::move(*decoded);
  text = std::move(bytes).value();
  return FileRead::other;
}

void HistoryStore::load() {
  std::vector<UninstallRecord> records;
  std::string text;
  const FileRead read = readFile(records, text);
  if (read == FileRead::absent) return;
  if (read == FileRead::same) {
    records = records_;
    text = *fileText_;
  }
  // Sorting keeps records with equal dates in file order, so an already sorted file is held as it is.
  // Its text is kept when the file is in order. Any other writer, or a hand edit, may have laid it out
  // otherwise, so the first change that would splice into it checks it against a full encoding.
  const bool keepText = std::is_sorted(records.begin(), records.end(), newerFirst);
  const bool encoding = read == FileRead::same && fileTextIsEncoding_;
  std::stable_sort(records.begin(), records.end(), newerFirst);
  replaceRecords(std::move(records));
  if (keepText) {
    fileText_ = std::move(text);
    fileTextIsEncoding_ = encoding;
  }
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

Status HistoryStore::persist(std::optional<std::string> text) {
  const std::string path = historyURL_.path();
  if (fileIsUnreadable_ && !keepUnreadableFileAside())
    return Error::invalid("the unreadable history file could not be kept aside", path);
  if (!text) text = encodeHistory(records_);
  Status written = fileManager_.writeAtomically(path, *text);
  if (written.has_value()) {
    fileText_ = std::move(text);
    fileTextIsEncoding_ = true;
  }
  return written;
}

}  // namespace corvane
