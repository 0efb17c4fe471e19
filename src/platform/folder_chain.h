#pragma once
// The folders from a base folder down to the one a tree operation is working in, held within a fixed
// number of open descriptors whatever the depth. Only the deepest folders stay open; a folder whose
// descriptor was given up is opened again from its parent by name, never following a link, and must be
// the very folder it was (device and inode), so a folder moved or swapped meanwhile stops the operation
// instead of leading it elsewhere.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "corvane/base/result.h"
#include "platform/unique_fd.h"

namespace corvane::platform {

// Descriptors one tree operation may hold open at once (a copy holds two chains of half this).
inline constexpr std::size_t kTreeDescriptorBudget = 32;

class FolderChain {
 public:
  // `baseFd` is the caller's open folder, neither closed nor re-opened here; it must stay open while the
  // chain is used. At most `budget` descriptors (at least 2) are open for the folders below it.
  explicit FolderChain(int baseFd, std::size_t budget = kTreeDescriptorBudget);
  FolderChain(const FolderChain&) = delete;
  FolderChain& operator=(const FolderChain&) = delete;

  // Opens the folder `name` inside the current one (the base when the chain is empty) without following
  // a link (ELOOP) and makes it the current one.
  Status enter(const std::string& name);
  // Goes back to the parent of the current folder.
  void leave();
  // The current folder's descriptor (the base's when the chain is empty), opened again when it was given
  // up; ESTALE when a folder on the way is no longer the one entered.
  Result<int> current();
  // The name the current folder was entered by.
  const std::string& name() const { return frames_.back().name; }
  // Folders entered below the base.
  std::size_t depth() const { return frames_.size(); }
  // Descriptors open right now (for tests).
  std::size_t openDescriptors() const;

 private:
  struct Frame {
    std::string name;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    UniqueFd fd;
  };
  // Opens every folder from the base down again, keeping the deepest ones open.
  Status reopen();
  // Opens `name` inside `parentFd` without following a link.
  static Result<UniqueFd> openChild(int parentFd, const std::string& name);

  int base_;
  std::size_t budget_;
  std::vector<Frame> frames_;
  std::size_t firstOpen_ = 0;  // frames below this index have given up their descriptor
};

}  // namespace corvane::platform
