#include "history/restore_copy.h"

#include <cerrno>
#include <chrono>
#include <nlohmann/json.hpp>

#include "platform/atomic_file.h"
#include "platform/file_io.h"
#include "platform/file_lock.h"
#include "platform/fs_ops.h"
#include "platform/tree_walk.h"

namespace corvane::restore_copy {

namespace {

namespace pf = platform;

// How long a restore waits for another one's hold on the journal before going on without it.
constexpr std::chrono::seconds kJournalLockWait{10};
// A journal is a few records; anything larger was not written by us.
constexpr std::size_t kMaxJournalBytes = 1 << 20;
// Each of the two folder chains of a copy; two file descriptors more are open while a file is copied.
constexpr std::size_t kChainBudget = pf::kTreeDescriptorBudget / 2 - 1;

// Makes the copy of the entry `name` (whose status is `status`) of `srcDir` as `dstName` in `dstDir`; a
// folder is made empty, to be filled by the caller.
Status copyEntry(int srcDir, const std::string& name, const pf::FileStatus& status, int dstDir, const std::string& dstName) {
  switch (status.type()) {
    case pf::FileType::symlink: {
      auto target = pf::readLinkAt(srcDir, name);
      if (!target.has_value()) return target.error();
      if (auto made = pf::makeSymlinkAt(*target, dstDir, dstName); !made.has_value()) return made;
      (void)pf::setLinkTimesAt(dstDir, dstName, status);  // a link's times are a courtesy
      return Ok{};
    }
    case pf::FileType::directory: {
      auto made = pf::makeDirectoryAt(dstDir, dstName, 0700);
      return made.has_value() || made.error().code == EEXIST ? Status(Ok{}) : made;
    }
    case pf::FileType::regular: {
      auto source = pf::openFileNoFollow(srcDir, name);
      if (!source.has_value()) return source.error();
      auto copy = pf::createFileExclusive(dstDir, dstName, 0600);
      if (!copy.has_value()) return copy.error();
      if (auto data = pf::copyFileContents(source->get(), copy->get()); !data.has_value()) return data;
      if (auto set = pf::setModeAndTimes(copy->get(), status); !set.has_value()) return set;
      return pf::syncDescriptor(copy->get());
    }
    case pf::FileType::other:
      break;  // pipes, sockets and devices are not carried over (opening a pipe would wait for a writer)
  }
  return Error::fromErrno(ENOTSUP, "copy");
}

// The source walked by the tree engine; the copy's folders are held by a chain of their own, entered
// and left in step with the walk. The first failure stops the walk.
class TreeCopier final : public pf::TreeVisitor {
 public:
  TreeCopier(int dstDir, const std::string& dstName, int maxDepth,
             const std::function<void(const pf::FileStatus&)>& created)
      : copy_(dstDir, kChainBudget), dstDir_(dstDir), dstName_(dstName), maxDepth_(static_cast<std::size_t>(maxDepth)),
        created_(created) {}

  pf::TreeStep visit(const pf::TreeItem& item) override {
    if (!item.status) return fail(Error::fromErrno(item.statusError, "fstatat", item.path));
    if (item.depth > maxDepth_) return fail(Error::fromErrno(ELOOP, "copy", item.path));
    auto into = copy_.current();
    if (!into.has_value()) return fail(Error::fromErrno(into.error().code, "open", item.path));
    const std::string& name = item.depth == 0 ? dstName_ : item.name;
    if (auto made = copyEntry(item.folderFd, item.name, *item.status, into.value(), name); !made.has_value())
      return fail(Error::fromErrno(made.error().code, made.error().operation, item.path));
    if (item.depth == 0 && created_)
      if (auto status = pf::statusAt(dstDir_, dstName_); status.has_value()) created_(status.value());
    return pf::TreeStep::descend;
  }

  pf::TreeStep entered(const pf::TreeItem& folder, int) override {
    auto entered = copy_.enter(folder.depth == 0 ? dstName_ : folder.name);
    if (!entered.has_value()) return fail(Error::fromErrno(entered.error().code, "open", folder.path));
    statuses_.push_back(*folder.status);
    return pf::TreeStep::descend;
  }

  // The folder's copy is full: its mode and times now, so that a read-only folder could still be filled.
  pf::TreeStep left(const pf::TreeItem& folder) override {
    auto full = copy_.current();
    if (!full.has_value()) return fail(Error::fromErrno(full.error().code, "open", folder.path));
    if (auto set = pf::setModeAndTimes(full.value(), statuses_.back()); !set.has_value())
      return fail(Error::fromErrno(set.error().code, set.error().operation, folder.path));
    if (auto synced = pf::syncDescriptor(full.value()); !synced.has_value())
      return fail(Error::fromErrno(synced.error().code, "fsync", folder.path));
    statuses_.pop_back();
    copy_.leave();
    return pf::TreeStep::descend;
  }

  pf::TreeStep failed(const pf::TreeItem&, const Error& error) override { return fail(error); }

  pf::FirstError first;

 private:
  pf::TreeStep fail(Error error) {
    first.keep(std::move(error));
    return pf::TreeStep::stop;
  }

  pf::FolderChain copy_;
  int dstDir_;
  const std::string& dstName_;
  std::size_t maxDepth_;
  const std::function<void(const pf::FileStatus&)>& created_;
  std::vector<pf::FileStatus> statuses_;  // of the source folders being copied, deepest last
};

std::uint64_t unsignedField(const nlohmann::json& doc, const char* key) {
  auto found = doc.find(key);
  return found != doc.end() && found->is_number_unsigned() ? found->get<std::uint64_t>() : 0;
}

std::string textField(const nlohmann::json& doc, const char* key) {
  auto found = doc.find(key);
  return found != doc.end() && found->is_string() ? found->get<std::string>() : std::string();
}

std::vector<Journal::Entry> parse(const std::vector<std::uint8_t>& bytes) {
  std::vector<Journal::Entry> entries;
  const auto doc = nlohmann::json::parse(bytes.begin(), bytes.end(), nullptr, false);
  if (!doc.is_array()) return entries;
  for (const auto& item : doc) {
    if (!item.is_object()) continue;
    Journal::Entry entry{static_cast<int>(unsignedField(item, "pid")), textField(item, "folder"),
                         unsignedField(item, "folderDevice"), unsignedField(item, "folderInode"),
                         textField(item, "name"), unsignedField(item, "device"), unsignedField(item, "inode")};
    if (entry.pid > 0 && !entry.folder.empty() && !entry.name.empty()) entries.push_back(std::move(entry));
  }
  return entries;
}

std::string serialize(const std::vector<Journal::Entry>& entries) {
  nlohmann::json doc = nlohmann::json::array();
  for (const auto& e : entries)
    doc.push_back({{"pid", static_cast<std::uint64_t>(e.pid)}, {"folder", e.folder}, {"folderDevice", e.folderDevice},
                   {"folderInode", e.folderInode}, {"name", e.name}, {"device", e.device}, {"inode", e.inode}});
  return doc.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

// What became of one record of an ended process: removed, gone already, left alone because something
// else stands there now, or left alone because it could not be removed.
enum class Fate { removed, gone, notOurs, stuck };

Fate removeIfOurs(const Journal::Entry& entry) {
  auto folder = pf::openDirectoryNoFollow(entry.folder);
  if (!folder.has_value()) return folder.error().code == ENOENT ? Fate::gone : Fate::stuck;
  auto folderFacts = pf::statusOf(folder->get());
  if (!folderFacts.has_value() || folderFacts->device != entry.folderDevice || folderFacts->inode != entry.folderInode)
    return Fate::gone;  // another folder stands there now: the copy went with the old one
  auto item = pf::statusAt(folder->get(), entry.name);
  if (!item.has_value()) return item.error().code == ENOENT ? Fate::gone : Fate::stuck;
  const bool identified = entry.device != 0 || entry.inode != 0;
  if (identified && (item->device != entry.device || item->inode != entry.inode)) return Fate::notOurs;
  return pf::removeTree(folder->get(), entry.name, entry.folder + "/" + entry.name).has_value() ? Fate::removed : Fate::stuck;
}

}  // namespace

Status copyTree(int srcDir, const std::string& srcName, int dstDir, const std::string& dstName, int maxDepth,
                const std::function<void(const pf::FileStatus&)>& created) {
  TreeCopier copier(dstDir, dstName, maxDepth, created);
  pf::TreeOptions options;
  options.descriptorBudget = kChainBudget;
  pf::walkItem(srcDir, srcName, srcName, copier, options);
  return copier.first.status();
}

bool matches(int srcDir, const std::string& name, const pf::FileStatus& item, int dstDir, const std::string& copyName) {
  auto copy = pf::statusAt(dstDir, copyName);
  if (!copy.has_value() || copy->type() != item.type()) return false;
  if (item.type() == pf::FileType::symlink) {
    auto original = pf::readLinkAt(srcDir, name);
    auto copied = pf::readLinkAt(dstDir, copyName);
    if (original.has_value() != copied.has_value()) return false;
    return !original.has_value() || *original == *copied;
  }
  if (item.type() == pf::FileType::directory) return true;
  return copy->size == item.size;
}

Journal::Journal(std::string folder) : folder_(std::move(folder)) {}

bool Journal::edit(const std::function<void(std::vector<Entry>&)>& change) const {
  if (folder_.empty() || !pf::createDirectories(folder_, 0700).has_value()) return false;
  auto lock = pf::lockExclusively(folder_, std::string(".") + kFileName + ".lock", kJournalLockWait);
  if (!lock.has_value()) return false;
  // What a writer killed part-way left behind.
  (void)pf::removeItemsWithPrefix(folder_, std::string(".") + kFileName + ".tmp-");
  std::vector<Entry> list = entries();
  const std::vector<Entry> before = list;
  change(list);
  if (list == before) return true;
  // Replaced whole but not flushed to disk: a journal lost to a power cut only leaves a copy where it
  // is, and a copy is made far more often than the machine loses power.
  pf::AtomicWriteCalls calls = pf::AtomicWriteCalls::system();
  calls.fsync = [](int) { return 0; };
  return pf::writeFileAtomically(folder_ + "/" + kFileName, serialize(list), 0600, calls).has_value();
}

std::vector<Journal::Entry> Journal::entries() const {
  if (folder_.empty()) return {};
  auto bytes = pf::readFileBytes(folder_ + "/" + kFileName, kMaxJournalBytes);
  return bytes.has_value() ? parse(bytes.value()) : std::vector<Entry>{};
}

bool Journal::record(const Entry& entry) const {
  return edit([&](std::vector<Entry>& list) { list.push_back(entry); });
}

void Journal::identify(const std::string& folder, const std::string& name, std::uint64_t device,
                       std::uint64_t inode) const {
  (void)edit([&](std::vector<Entry>& list) {
    for (Entry& e : list)
      if (e.folder == folder && e.name == name) e.device = device, e.inode = inode;
  });
}

void Journal::forget(const std::string& folder, const std::string& name) const {
  (void)edit([&](std::vector<Entry>& list) {
    std::erase_if(list, [&](const Entry& e) { return e.folder == folder && e.name == name; });
  });
}

std::vector<std::string> Journal::cleanUp(const std::function<bool(int pid)>& processExists) const {
  std::vector<std::string> notices;
  (void)edit([&](std::vector<Entry>& list) {
    std::erase_if(list, [&](const Entry& entry) {
      if (processExists(entry.pid)) return false;  // still being made
      const Fate fate = removeIfOurs(entry);
      const std::string where = entry.folder + "/" + entry.name;
      if (fate == Fate::notOurs)
        notices.push_back("Left " + where + " where it is: it is not the unfinished copy a restore made there.");
      else if (fate == Fate::stuck)
        notices.push_back("An unfinished copy of a restore at " + where + " could not be removed; it was left there.");
      return true;
    });
  });
  return notices;
}

}  // namespace corvane::restore_copy
