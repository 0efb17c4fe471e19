#include "history/restore_copy.h"

#include <cerrno>
#include <chrono>
#include <nlohmann/json.hpp>

#include "platform/atomic_file.h"
#include "platform/descriptor_ops.h"
#include "platform/file_io.h"
#include "platform/file_lock.h"
#include "platform/folder_chain.h"
#include "platform/fs_ops.h"

namespace corvane::restore_copy {

namespace {

namespace pf = platform;

// How long a restore waits for another one's hold on the journal before going on without it.
constexpr std::chrono::seconds kJournalLockWait{10};
// A journal is a few records; anything larger was not written by us.
constexpr std::size_t kMaxJournalBytes = 1 << 20;
// Each of the two folder chains of a copy; two file descriptors more are open while a file is copied.
constexpr std::size_t kChainBudget = pf::kTreeDescriptorBudget / 2 - 1;

// Makes the copy of the entry `name` (whose facts are `facts`) of `srcDir` as `dstName` in `dstDir`; a
// folder is made empty, to be filled by the caller.
bool copyEntry(int srcDir, const std::string& name, const pf::EntryFacts& facts, int dstDir, const std::string& dstName) {
  switch (facts.type) {
    case pf::FileType::symlink: {
      auto target = pf::readLinkAt(srcDir, name);
      if (!target.has_value() || !pf::makeSymlinkAt(*target, dstDir, dstName).has_value()) return false;
      (void)pf::setLinkTimesAt(dstDir, dstName, facts);  // a link's times are a courtesy
      return true;
    }
    case pf::FileType::directory: {
      auto made = pf::makeDirectoryAt(dstDir, dstName, 0700);
      return made.has_value() || made.error().code == EEXIST;
    }
    case pf::FileType::regular: {
      auto source = pf::openFileNoFollow(srcDir, name);
      if (!source.has_value()) return false;
      auto copy = pf::createFileExclusive(dstDir, dstName, 0600);
      if (!copy.has_value()) return false;
      return pf::copyFileContents(source->get(), copy->get()).has_value() &&
             pf::setModeAndTimes(copy->get(), facts).has_value() && pf::syncDescriptor(copy->get()).has_value();
    }
    case pf::FileType::other:
      break;  // pipes, sockets and devices are not carried over (opening a pipe would wait for a writer)
  }
  return false;
}

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
  auto folderFacts = pf::entryFactsOf(folder->get());
  if (!folderFacts.has_value() || folderFacts->device != entry.folderDevice || folderFacts->inode != entry.folderInode)
    return Fate::gone;  // another folder stands there now: the copy went with the old one
  auto item = pf::entryFactsAt(folder->get(), entry.name);
  if (!item.has_value()) return item.error().code == ENOENT ? Fate::gone : Fate::stuck;
  const bool identified = entry.device != 0 || entry.inode != 0;
  if (identified && (item->device != entry.device || item->inode != entry.inode)) return Fate::notOurs;
  return pf::removeTreeAt(folder->get(), entry.name).has_value() ? Fate::removed : Fate::stuck;
}

}  // namespace

bool copyTree(int srcDir, const std::string& srcName, int dstDir, const std::string& dstName, int maxDepth,
              const std::function<void(const pf::EntryFacts&)>& created) {
  auto top = pf::entryFactsAt(srcDir, srcName);
  if (!top.has_value() || !copyEntry(srcDir, srcName, *top, dstDir, dstName)) return false;
  if (created)
    if (auto made = pf::entryFactsAt(dstDir, dstName); made.has_value()) created(*made);
  if (top->type != pf::FileType::directory) return true;

  // Folder by folder with an explicit stack; each level keeps its source folder's facts for the mode and
  // times its copy gets once it is full (so that a read-only folder can still be filled).
  struct Level {
    pf::EntryFacts facts;
    std::vector<std::string> names;
    std::size_t next = 0;
  };
  pf::FolderChain source(srcDir, kChainBudget), copy(dstDir, kChainBudget);
  std::vector<Level> levels;
  auto enter = [&](const std::string& name, const std::string& copyName, const pf::EntryFacts& facts) {
    if (!source.enter(name).has_value() || !copy.enter(copyName).has_value()) return false;
    Level level{facts, {}, 0};
    if (pf::listNamesAt(source.current().value(), level.names) != 0) return false;
    levels.push_back(std::move(level));
    return true;
  };
  if (!enter(srcName, dstName, *top)) return false;
  while (!levels.empty()) {
    auto from = source.current();
    auto to = copy.current();
    if (!from.has_value() || !to.has_value()) return false;
    Level& level = levels.back();
    if (level.next == level.names.size()) {
      if (!pf::setModeAndTimes(to.value(), level.facts).has_value() || !pf::syncDescriptor(to.value()).has_value())
        return false;
      levels.pop_back();
      source.leave();
      copy.leave();
      continue;
    }
    const std::string name = level.names[level.next++];
    if (levels.size() > static_cast<std::size_t>(maxDepth)) return false;
    auto facts = pf::entryFactsAt(from.value(), name);
    if (!facts.has_value() || !copyEntry(from.value(), name, *facts, to.value(), name)) return false;
    if (facts->type == pf::FileType::directory && !enter(name, name, *facts)) return false;
  }
  return true;
}

bool matches(int srcDir, const std::string& name, const pf::EntryFacts& item, int dstDir, const std::string& copyName) {
  auto copy = pf::entryFactsAt(dstDir, copyName);
  if (!copy.has_value() || copy->type != item.type) return false;
  if (item.type == pf::FileType::symlink) {
    auto original = pf::readLinkAt(srcDir, name);
    auto copied = pf::readLinkAt(dstDir, copyName);
    if (original.has_value() != copied.has_value()) return false;
    return !original.has_value() || *original == *copied;
  }
  if (item.type == pf::FileType::directory) return true;
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
