#include "corvane/removal/elevated_trash_mover.h"

#include <cerrno>
#include <map>
#include <set>

#include "corvane/removal/elevated_trash_command.h"
#include "corvane/removal/trash_service.h"
#include "platform/directory.h"
#include "platform/fs_ops.h"
#include "platform/disk_identity.h"

namespace corvane {

namespace {

struct PlannedMove {
  Url url;
  std::string sourcePath;
  Url destination;
  DiskIdentity identity;  // of the bundle, before the prompt
  Url staging;
};

// How many taken names are skipped when giving a staged bundle its Trash name before giving up (the
// bundle then stays in its staging folder, in the Trash).
constexpr int kPlacementAttempts = 100;

}  // namespace

ElevatedTrashMover::ElevatedTrashMover(PrivilegedShellRunner privilegedRunner, Url trashFolder,
                                       CandidateProvider provider, FileExists existence, Layout where)
    : runner(std::move(privilegedRunner)),
      trashDirectory(std::move(trashFolder)),
      candidateProvider(std::move(provider)),
      fileExists(std::move(existence)),
      layout(std::move(where)),
      uid(platform::effectiveUserID()),
      gid(platform::effectiveGroupID()),
      identityAt([](const Url& at) { return valueIfAny(platform::diskIdentityOf(at)); }),
      renameExclusive([](const Url& from, const Url& to) { return platform::renameExclusive(from.path(), to.path()); }),
      removeEmptyFolder([](const Url& folder) { (void)platform::removeEmptyDirectory(folder.path()); }),
      stagingName([](const std::string& trashName) {
        return trashName + "-moving-" + Uuid::random().toString().substr(0, 8);
      }) {}

ElevatedTrashMover ElevatedTrashMover::system(PrivilegedShellRunner privilegedRunner,
                                              const Layout& layout) {
  return ElevatedTrashMover(
      std::move(privilegedRunner), Url::fileURL(layout.userTrash()), &ElevationGuard::candidate,
      [](const Url& url) { return platform::itemExists(url.path()); }, layout);
}

std::vector<TrashOperation> ElevatedTrashMover::moveToTrash(const std::vector<Url>& urls) const {
  std::map<Url, TrashOperation> results;
  std::set<std::string> used;
  std::vector<PlannedMove> moves;
  std::set<Url> planned;

  for (const auto& url : urls) {
    if (results.count(url) != 0 || planned.count(url) != 0) continue;  // an item listed twice is planned once
    auto facts = candidateProvider(url);
    auto reason = ElevationGuard::ineligibilityReason(facts, layout);
    // What must arrive in the Trash: this very object, not whatever is at its path after the prompt.
    auto identity = reason ? std::nullopt : identityAt(Url::fileURL(facts.resolvedPath));
    if (!reason && !identity) reason = ElevationGuard::kMissing;
    if (reason) {
      results.emplace(url, TrashOperation::failure(url, *reason, RemovalFailureReason::needsAdministrator));
      continue;
    }
    Url destination = TrashService::uniqueDestination(trashDirectory, url.lastPathComponent(), used, fileExists);
    Url staging = trashDirectory.appending(stagingName(destination.lastPathComponent()));
    moves.push_back({url, facts.resolvedPath, destination, *identity, staging});
    planned.insert(url);
  }

  if (!moves.empty()) {
    std::vector<ElevatedTrashCommand::Move> commandMoves;
    for (const auto& move : moves) commandMoves.push_back({move.sourcePath, move.staging.path()});
    const std::string command = ElevatedTrashCommand::command(commandMoves, uid, gid);
    PrivilegedRunResult outcome = runner.isAvailable()
                                      ? runner.run(command)
                                      : PrivilegedRunResult::helperUnreachable("No privileged runner was given.");

    if (outcome.kind == PrivilegedRunResult::Kind::userCancelled) {
      for (const auto& move : moves)
        results.insert_or_assign(
            move.url, TrashOperation::failure(move.url, kCancelled, RemovalFailureReason::needsAdministrator));
    } else {
      // Only the file system says what happened: a command stopped half-way still reports each bundle.
      const char* fallback = outcome.succeeded() ? kNotMoved : kDidNotComplete;
      for (const auto& move : moves)
        results.insert_or_assign(move.url, place(move.url, Url::fileURL(move.sourcePath), move.identity, move.staging,
                                                 move.destination, used, fallback));
    }
  }

  std::vector<TrashOperation> operations;
  operations.reserve(urls.size());
  std::set<Url> reported;
  for (const auto& url : urls) {
    auto found = results.find(url);
    if (found == results.end()) {
      operations.push_back(TrashOperation::failure(url, kNotProcessed, RemovalFailureReason::needsAdministrator));
      continue;
    }
    operations.push_back(found->second);
    if (!reported.insert(url).second) operations.back().id = Uuid::random();  // every record keeps its own id
  }
  return operations;
}

TrashOperation ElevatedTrashMover::place(const Url& url, const Url& source, const DiskIdentity& identity,
                                         const Url& staging, Url destination, std::set<std::string>& used,
                                         const char* fallback) const {
  const Url staged = staging.appending(source.lastPathComponent());
  auto arrived = identityAt(staged);
  if (!arrived || !arrived->isSameObject(identity)) {
    removeEmptyFolder(staging);  // a command stopped before the move leaves it empty
    return TrashOperation::failure(url, fallback, RemovalFailureReason::needsAdministrator);
  }
  for (int attempt = 0; attempt < kPlacementAttempts; ++attempt) {
    auto renamed = renameExclusive(staged, destination);
    if (renamed.has_value()) {
      auto landed = identityAt(destination);
      if (!landed || !landed->isSameObject(identity)) break;
      removeEmptyFolder(staging);
      return TrashOperation::success(url, destination);
    }
    if (renamed.error().code != EEXIST) break;
    // Taken while the prompt was up: the next free name, never the item that took it.
    destination = TrashService::uniqueDestination(trashDirectory, url.lastPathComponent(), used, fileExists);
  }
  // The bundle left its place and is in the Trash, in its staging folder.
  if (auto still = identityAt(staged); still && still->isSameObject(identity)) return TrashOperation::success(url, staged);
  return TrashOperation::failure(url, fallback, RemovalFailureReason::needsAdministrator);
}

}  // namespace corvane
