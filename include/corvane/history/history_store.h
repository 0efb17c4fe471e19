#pragma once
// The uninstall history: every UninstallRecord, newest first, kept in memory and mirrored to one JSON file
// (home + "/Library/Application Support/Corvane/history.json" by default).
//
// The file holds one JSON array of records, pretty-printed with object keys sorted, dates such as
// 2026-12-04T18:41:39Z. It is rewritten whole and atomically on every change, after its folder has been
// created with any missing parents. A missing file is an empty history. A file that cannot be read or
// decoded (one malformed record is enough) also starts an empty history, and is never silently destroyed:
// before the next write would replace it, it is moved aside, without replacing anything, to
//
//     <file name>.unreadable-<UTC date and time, YYYYMMDDTHHMMSSZ>     e.g. history.json.unreadable-20261204T184139Z
//
// in the same folder; when that name is taken, "-2", "-3", ... up to "-99" is added to it. If it cannot be
// moved aside, the write does not happen and the change behaves as a failed write.
//
// Several processes may change the same file at once (two uninstalls, the app and the command line). Every
// change therefore takes an exclusive lock on ".history.json.lock" beside the file (waiting for it at most
// kHistoryLockWait: a holder that is stuck must not stop this process for ever), reads the file again
// while holding it, applies itself to what the file holds now (so records another process wrote are kept)
// and writes the result; the in-memory list becomes what was written. When the file is missing or
// unreadable the change applies to the in-memory list instead. Temporaries that a writer killed mid-write
// left beside the file (".history.json.tmp-*") are removed under the lock before each write: no other
// writer can be using them then.
//
// Write failures are never thrown; every change returns its status. `remove`, `clear` and `setFollowUp`
// roll the in-memory list back to what the file holds after a failed write (when the file cannot be read
// back, the change stays in memory); `append` keeps its record in memory only.
//
// Work that must end in a record (an uninstall moves items to the Trash, then appends what it did) takes
// the lock with `reserve` before it changes anything, and keeps it until the record is written: if the lock
// cannot be had, nothing has been moved yet, rather than items in the Trash that no record can restore.
//
// One store is used from one thread at a time. Observers are called on that thread, first "about to
// change", then "changed" with the new list.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "corvane/base/date.h"
#include "corvane/model/layout.h"
#include "corvane/model/removal_records.h"
#include "corvane/base/result.h"
#include "corvane/base/url.h"
#include "corvane/base/uuid.h"

namespace corvane {

// How long a change waits for another process's lock on the history file before it gives up.
inline constexpr std::chrono::milliseconds kHistoryLockWait{10000};

// The file operations the history store makes, replaceable in tests.
struct HistoryFileManager {
  // The whole file. A missing file is an error with code ENOENT.
  std::function<Result<std::string>(const std::string& path)> readFile;
  // Creates the folder with any missing parents; an existing folder is fine.
  std::function<Status(const std::string& path)> createFolders;
  // Replaces the file's contents atomically.
  std::function<Status(const std::string& path, const std::string& bytes)> writeAtomically;
  // Renames `from` to `to`, failing with EEXIST when `to` is taken (it never replaces anything).
  std::function<Status(const std::string& from, const std::string& to)> moveExclusive;
  // The current time (names the file kept aside).
  std::function<Date()> now;
  // Waits for the lock that serialises writers of the file at `path` across processes; held until the
  // returned token is destroyed. Fails (EWOULDBLOCK) when another holder keeps it longer than the wait.
  // Empty: no lock is taken.
  std::function<Result<std::shared_ptr<void>>(const std::string& path)> lock;
  // Whether new files can be made in the folder at `path` (the atomic write's temporary needs it); an
  // error says why not. Asked before a reservation is granted. May be empty.
  std::function<Status(const std::string& path)> checkFolderWritable;
  // Removes what writers killed mid-write left beside the file at `path`; called with the lock held. May be empty.
  std::function<void(const std::string& path)> removeLeftoverTemporaries;

  // The real file system and clock; the lock is waited for at most `lockWait`.
  static HistoryFileManager system(std::chrono::milliseconds lockWait = kHistoryLockWait);
};

// Files larger than this are treated as unreadable (and kept aside like any other unreadable file).
inline constexpr std::size_t kMaxHistoryFileBytes = 512u * 1024 * 1024;
// How many names are tried for a file kept aside.
inline constexpr int kMaxKeptAsideNames = 99;

class HistoryStore {
 public:
  using WillChange = std::function<void()>;
  using DidChange = std::function<void(const std::vector<UninstallRecord>&)>;
  using ObserverID = std::uint64_t;

  // The history file at its default location under the layout's home. Loads it at once.
  HistoryStore(HistoryFileManager fileManager, const Layout& layout);
  // The history file at `historyURL`. Loads it at once.
  HistoryStore(HistoryFileManager fileManager, Url historyURL);

  HistoryStore(const HistoryStore&) = delete;
  HistoryStore& operator=(const HistoryStore&) = delete;

  // The writers' lock, held for this store until the reservation is released or destroyed (it must not
  // outlive the store); changes made meanwhile use it rather than wait for it again.
  class Reservation {
   public:
    Reservation(Reservation&& other) noexcept : store_(other.store_) { other.store_ = nullptr; }
    Reservation& operator=(Reservation&&) = delete;
    ~Reservation() { release(); }
    void release();

   private:
    friend class HistoryStore;
    explicit Reservation(HistoryStore* store) : store_(store) {}
    HistoryStore* store_;
  };
  // Creates the file's folder, checks that it can be written and takes the writers' lock, so that a record
  // can then be written without waiting for anyone. The error says why not (EWOULDBLOCK: another process held the lock too long).
  Result<Reservation> reserve();

  // layout.applicationSupport() + "/history.json".
  static Url defaultURL(const Layout& layout);

  const std::vector<UninstallRecord>& records() const { return records_; }
  // The first record whose id is `idText` (as Uuid::parse reads it); none for no such record or no id.
  const UninstallRecord* find(const std::string& idText) const;
  const Url& fileURL() const { return historyURL_; }

  // Adds the record first (without re-sorting) and writes the file. An error when the record could not be
  // written (it stays in memory).
  Status append(UninstallRecord record);
  // Removes every record with this id; writes nothing (and succeeds) when there is none.
  Status remove(const Uuid& id);
  // Removes all records; writes nothing (and succeeds) when there are none.
  Status clear();
  // Stores the snapshot in the first record with this id. False when there is none (nothing is written)
  // or when the write failed.
  bool setFollowUp(const Uuid& id, AnalysisSnapshot snapshot);

  // Whether the last load found a file it could not read or decode (it is kept aside before the next write).
  bool fileIsUnreadable() const { return fileIsUnreadable_; }
  // Where this store last kept an unreadable file aside.
  const std::optional<Url>& keptAsideURL() const { return keptAsideURL_; }

  // Either callback may be empty. Observers may add or remove observers while being called; the change
  // in progress still reaches the observers that were registered when it began.
  ObserverID addObserver(WillChange willChange, DidChange didChange);
  void removeObserver(ObserverID id);

 private:
  struct Observer {
    ObserverID id;
    WillChange willChange;
    DidChange didChange;
  };

  // How a read of the file went: missing or unreadable (fileIsUnreadable_ says which), the very text this
  // store last read or wrote (its records are records_), or other text, decoded.
  enum class FileRead { absent, same, other };
  FileRead readFile(std::vector<UninstallRecord>& records, std::string& text);
  void load();
  // Writes `text`, or the encoding of records_ when there is none.
  Status persist(std::optional<std::string> text);
  bool keepUnreadableFileAside();
  void replaceRecords(std::vector<UninstallRecord> records);
  template <class Mutation>
  void change(Mutation mutate);
  // Under the writers' lock, applies `mutate` to the freshest records when `applies` says it changes them,
  // and writes them: true when written, false when it changes nothing (nothing is written). A failed write
  // rolls the in-memory list back unless `keepOnFailure`. `prepended`, when given, is the encoding of the
  // one record `mutate` puts first, as a one-record history: the new text is then spliced from it and the
  // text the file held, instead of encoding every record again.
  template <class Applies, class Mutate>
  Result<bool> commit(Applies applies, Mutate mutate, bool keepOnFailure, std::optional<std::string> prepended = {});

  HistoryFileManager fileManager_;
  Url historyURL_;
  // The lock while a reservation holds it.
  std::shared_ptr<void> reservedLock_;
  std::vector<UninstallRecord> records_;
  // The file's text when records_, in order, is exactly what it holds. Reading it again then needs no
  // decoding, and once encoding records_ is known to give exactly this text, a record put first needs
  // only its own encoding (at 1,000 records the file is megabytes of JSON).
  std::optional<std::string> fileText_;
  // Whether fileText_ is known to be exactly what encoding the records gives (it is when this store wrote
  // it; a file read from disk is checked the first time a record would be spliced into it).
  bool fileTextIsEncoding_ = false;
  bool fileIsUnreadable_ = false;
  std::optional<Url> keptAsideURL_;
  std::vector<Observer> observers_;
  ObserverID nextObserverID_ = 1;
};

}  // namespace corvane
