#pragma once
// Moves a list of items to the Trash, one outcome per item. When the system's move refuses an item, the
// item is relocated into the Trash folder itself under a unique name; what still fails is classified.

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "corvane/model/layout.h"
#include "corvane/removal/removal_failure_classifier.h"
#include "corvane/model/removal_records.h"
#include "corvane/base/result.h"
#include "corvane/removal/trash_moving.h"
#include "corvane/base/url.h"

namespace corvane {

struct TrashService {
  using FailureContext = std::function<RemovalFailureContext(const Url&)>;
  // Moves an item to an exact destination (a plain same-volume rename).
  using Relocate = std::function<Status(const Url& source, const Url& destination)>;
  using FileExists = std::function<bool(const Url&)>;

  TrashMoving mover;
  FailureContext failureContext;
  Relocate relocate;
  Url trashDirectory;
  FileExists fileExists;

  TrashService(TrashMoving trashMover, FailureContext contextOfFailure, Relocate relocation,
               Url trashFolder, FileExists existence);

  // The collaborators of this machine for the layout: the system's move, classification against the
  // layout's home with this process's checks, exclusive renames into the layout's Trash folder, and an
  // existence test that also sees dangling links.
  static TrashService system(const Layout& layout);

  // One outcome per url, in input order; never fails as a whole.
  std::vector<TrashOperation> moveToTrash(const std::vector<Url>& urls) const;

  // The first free name for `name` in the Trash folder that is not in `used`; adds it to `used`.
  Url uniqueTrashDestination(const std::string& name, std::set<std::string>& used) const;

  // The unique-name rule, shared with every other move into a Trash folder.
  // The n-th candidate for a name: the name itself for n = 1, then "base n.ext" (or "base n").
  static std::string candidateName(const std::string& name, std::uint64_t n);
  // The first candidate not in `used` and absent from `folder`; it is added to `used`.
  static Url uniqueDestination(const Url& folder, const std::string& name, std::set<std::string>& used,
                               const FileExists& fileExists);
};

}  // namespace corvane
