#include <algorithm>
#include <cerrno>

#include "platform/file_status.h"
#include "platform/folder_chain.h"
#include "platform/fs_ops.h"

namespace corvane::platform {

FolderChain::FolderChain(int baseFd, std::size_t budget) : base_(baseFd), budget_(std::max<std::size_t>(budget, 2)) {}

Result<UniqueFd> FolderChain::openChild(int parentFd, const std::string& name) {
  return openDirectoryNoFollow(parentFd, name);
}

std::size_t FolderChain::openDescriptors() const {
  return static_cast<std::size_t>(
      std::count_if(frames_.begin(), frames_.end(), [](const Frame& f) { return f.fd.valid(); }));
}

Status FolderChain::enter(const std::string& name) {
  auto parent = current();
  if (!parent.has_value()) return parent.error();
  // Room for the new descriptor first: the deepest ones are kept, the parent among them.
  if (frames_.size() - firstOpen_ >= budget_) frames_[firstOpen_++].fd.reset();
  auto opened = openChild(parent.value(), name);
  if (!opened.has_value()) return opened.error();
  auto status = statusOf(opened->get());
  if (!status.has_value()) return Error::fromErrno(status.error().code, "fstat", name);
  frames_.push_back(Frame{name, status->device, status->inode, std::move(opened).value()});
  return Ok{};
}

void FolderChain::leave() {
  if (frames_.empty()) return;
  frames_.pop_back();
  firstOpen_ = std::min(firstOpen_, frames_.size());
}

Result<int> FolderChain::current() {
  if (frames_.empty()) return base_;
  if (!frames_.back().fd.valid()) {
    auto reopened = reopen();
    if (!reopened.has_value()) return reopened.error();
  }
  return frames_.back().fd.get();
}

Status FolderChain::reopen() {
  // Every frame has given up its descriptor (the open ones are always the deepest): start at the base.
  int parent = base_;
  firstOpen_ = 0;
  for (std::size_t i = 0; i < frames_.size(); ++i) {
    Frame& frame = frames_[i];
    frame.fd.reset();
    if (i - firstOpen_ >= budget_) frames_[firstOpen_++].fd.reset();
    auto opened = openChild(parent, frame.name);
    if (!opened.has_value()) return opened.error();
    auto status = statusOf(opened->get());
    if (!status.has_value()) return Error::fromErrno(status.error().code, "fstat", frame.name);
    // Not the folder entered before: it was moved or replaced while we were deeper down.
    if (status->device != frame.device || status->inode != frame.inode)
      return Error::fromErrno(ESTALE, "open", frame.name);
    frame.fd = std::move(opened).value();
    parent = frame.fd.get();
  }
  return Ok{};
}

}  // namespace corvane::platform
