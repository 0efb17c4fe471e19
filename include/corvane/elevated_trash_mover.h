#pragma once
// Moves root-owned application bundles to the user's Trash through the caller's privileged runner: one
// administrator prompt for the whole batch, one outcome per item, every outcome checked on disk.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "corvane/elevation_guard.h"
#include "corvane/layout.h"
#include "corvane/privileged_shell_running.h"
#include "corvane/removal_records.h"
#include "corvane/url.h"

namespace corvane {

struct ElevatedTrashMover {
  using CandidateProvider = std::function<ElevationCandidate(const Url&)>;
  using FileExists = std::function<bool(const Url&)>;

  static constexpr const char* kNotMoved = "The item could not be moved with administrator rights.";
  static constexpr const char* kCancelled = "Administrator removal was cancelled. Nothing was moved.";
  static constexpr const char* kDidNotComplete = "The administrator removal did not complete.";
  static constexpr const char* kNotProcessed = "This item was not processed.";

  std::shared_ptr<PrivilegedShellRunning> runner;
  Url trashDirectory;
  CandidateProvider candidateProvider;
  FileExists fileExists;
  // Where /Applications and /System are (the root "/" on a real Mac).
  Layout layout;
  // The owner given to every moved bundle: the process's effective user and group by default.
  std::uint32_t uid;
  std::uint32_t gid;

  ElevatedTrashMover(std::shared_ptr<PrivilegedShellRunning> privilegedRunner, Url trashFolder,
                     CandidateProvider provider, FileExists existence, Layout where);

  // The standard collaborators for the layout: ElevationGuard::candidate, the layout's Trash folder and an
  // existence test that also sees dangling links.
  static ElevatedTrashMover system(std::shared_ptr<PrivilegedShellRunning> privilegedRunner, const Layout& layout);

  // One outcome per url, in input order; runs the privileged command at most once; never fails as a whole.
  std::vector<TrashOperation> moveToTrash(const std::vector<Url>& urls) const;
};

}  // namespace corvane
