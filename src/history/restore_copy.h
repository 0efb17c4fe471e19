#pragma once
// The copy half of a restore across volumes: an item tree copied between two open folders by the tree
// engine, within a fixed number of descriptors, its check against the original, and the journal that lets a later restore remove
// a copy left unfinished by a restore that was killed, and nothing else.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/tree_copy.h"

namespace corvane::restore_copy {

// Copies the entry `srcName` of `srcDir` to the new entry `dstName` of `dstDir`: links recreated with
// their target, folders with their entries, mode and times, files created exclusively with their data,
// extended attributes, mode and times, everything flushed. Entries more than `maxDepth` levels below the
// item fail the copy (ELOOP). `created` is told the new top entry's status as soon as it exists. Stops at
// the first failure, which carries the errno and the path of the source entry it was copying.
Status copyTree(int srcDir, const std::string& srcName, int dstDir, const std::string& dstName, int maxDepth,
                const std::function<void(const platform::FileStatus&)>& created);

// Whether the copy `copyName` in `dstDir` matches the item `item` (named `name` in `srcDir`).
bool matches(int srcDir, const std::string& name, const platform::FileStatus& item, int dstDir,
             const std::string& copyName);

// The copies in progress, kept in a file in Corvane's own folder: each with the process making it, the
// folder it is made in, the random name it is made under (recorded before the copy exists, so that a
// restore killed at any moment leaves nothing unrecorded) and, once it exists, the copy's identity. Only
// an entry of a process that has ended, in the very folder recorded, under the recorded name and still
// the item recorded (when its identity was recorded), is ever removed.
class Journal {
 public:
  struct Entry {
    int pid = 0;
    std::string folder;  // where the copy is made
    std::uint64_t folderDevice = 0;
    std::uint64_t folderInode = 0;
    std::string name;  // the copy's temporary name there
    std::uint64_t device = 0;  // the copy's identity; both 0 until it exists
    std::uint64_t inode = 0;
    bool operator==(const Entry&) const = default;
  };

  static constexpr const char* kFileName = "restore-copies.json";

  // `folder` is Corvane's own folder; with none, nothing is recorded and nothing is ever cleaned up.
  explicit Journal(std::string folder);

  bool record(const Entry& entry) const;
  // Adds the identity of the copy recorded as `name` in `folder`, now that it exists.
  void identify(const std::string& folder, const std::string& name, std::uint64_t device, std::uint64_t inode) const;
  void forget(const std::string& folder, const std::string& name) const;
  std::vector<Entry> entries() const;
  // Removes the recorded copies whose process no longer exists and which are still the very item
  // recorded; a record whose place now holds something else is dropped and the item left alone. Returns
  // one sentence for each item left alone.
  std::vector<std::string> cleanUp(const std::function<bool(int pid)>& processExists) const;

 private:
  // Reads, changes and writes the journal under its lock.
  bool edit(const std::function<void(std::vector<Entry>&)>& change) const;

  std::string folder_;
};

}  // namespace corvane::restore_copy
