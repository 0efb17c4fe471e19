#pragma once
// Moves root-owned application bundles to the user's Trash through the caller's privileged runner: one
// administrator prompt for the whole batch, one outcome per item, every outcome checked on disk.
//
// Each bundle's device and inode are read before the prompt. The privileged command puts the bundle in a
// fresh staging folder in the Trash (see elevated_trash_command.h); afterwards the bundle found there must
// be that same object, and it is moved to its Trash name with an exclusive rename. When that name was taken
// while the prompt was up, the next free name is used ("Tool 2.app"), as for any Trash move; nothing is
// ever moved into or over the item that took it. A bundle that left its place but could not be given its
// name stays in the staging folder, in the Trash, and is reported there.

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "corvane/model/disk_identity.h"
#include "corvane/removal/elevation_guard.h"
#include "corvane/model/layout.h"
#include "corvane/removal/privileged_shell_running.h"
#include "corvane/model/removal_records.h"
#include "corvane/base/result.h"
#include "corvane/base/url.h"

namespace corvane {

struct ElevatedTrashMover {
  using CandidateProvider = std::function<ElevationCandidate(const Url&)>;
  using FileExists = std::function<bool(const Url&)>;
  using IdentityAt = std::function<std::optional<DiskIdentity>(const Url&)>;
  using RenameExclusive = std::function<Status(const Url& from, const Url& to)>;
  using RemoveEmptyFolder = std::function<void(const Url&)>;
  using StagingName = std::function<std::string(const std::string& trashName)>;

  static constexpr const char* kNotMoved = "The item could not be moved with administrator rights.";
  static constexpr const char* kCancelled = "Administrator removal was cancelled. Nothing was moved.";
  static constexpr const char* kDidNotComplete = "The administrator removal did not complete.";
  static constexpr const char* kNotProcessed = "This item was not processed.";

  // Runs the command; without a runner every eligible item fails with kDidNotComplete.
  PrivilegedShellRunner runner;
  Url trashDirectory;
  CandidateProvider candidateProvider;
  FileExists fileExists;
  // Where /Applications and /System are (the root "/" on a real Mac).
  Layout layout;
  // The owner given to every moved bundle: the process's effective user and group by default.
  std::uint32_t uid;
  std::uint32_t gid;
  // The item's identity without following a final link (read from the disk now by default).
  IdentityAt identityAt;
  // A rename that fails with EEXIST when the destination is taken (platform::renameExclusive by default).
  RenameExclusive renameExclusive;
  // Removes a staging folder once it is empty; anything left in it stays (rmdir by default).
  RemoveEmptyFolder removeEmptyFolder;
  // The staging folder's name for a bundle bound for `trashName`: trashName + "-moving-" + 8 random hex
  // digits by default (a name that says what it holds, should it ever be left behind).
  StagingName stagingName;

  ElevatedTrashMover(PrivilegedShellRunner privilegedRunner, Url trashFolder,
                     CandidateProvider provider, FileExists existence, Layout where);

  // The standard collaborators for the layout: ElevationGuard::candidate, the layout's Trash folder and an
  // existence test that also sees dangling links.
  static ElevatedTrashMover system(PrivilegedShellRunner privilegedRunner, const Layout& layout);

  // One outcome per url, in input order; runs the privileged command at most once; never fails as a whole.
  std::vector<TrashOperation> moveToTrash(const std::vector<Url>& urls) const;

 private:
  // Checks that the object in `staging` is the bundle and gives it its Trash name.
  TrashOperation place(const Url& url, const Url& source, const DiskIdentity& identity, const Url& staging,
                       Url destination, std::set<std::string>& used, const char* fallback) const;
};

}  // namespace corvane
