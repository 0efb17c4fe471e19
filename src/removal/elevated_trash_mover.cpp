#include "corvane/elevated_trash_mover.h"

#include <map>
#include <set>

#include "corvane/elevated_trash_command.h"
#include "corvane/trash_service.h"
#include "platform/directory.h"
#include "platform/fs_ops.h"

namespace corvane {

namespace {

struct PlannedMove {
  Url url;
  std::string sourcePath;
  Url destination;
};

}  // namespace

ElevatedTrashMover::ElevatedTrashMover(std::shared_ptr<PrivilegedShellRunning> privilegedRunner, Url trashFolder,
                                       CandidateProvider provider, FileExists existence, Layout where)
    : runner(std::move(privilegedRunner)),
      trashDirectory(std::move(trashFolder)),
      candidateProvider(std::move(provider)),
      fileExists(std::move(existence)),
      layout(std::move(where)),
      uid(platform::effectiveUserID()),
      gid(platform::effectiveGroupID()) {}

ElevatedTrashMover ElevatedTrashMover::system(std::shared_ptr<PrivilegedShellRunning> privilegedRunner,
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
    if (auto reason = ElevationGuard::ineligibilityReason(facts, layout)) {
      results.emplace(url, TrashOperation::failure(url, *reason, RemovalFailureReason::needsAdministrator));
      continue;
    }
    Url destination = TrashService::uniqueDestination(trashDirectory, url.lastPathComponent(), used, fileExists);
    moves.push_back({url, facts.resolvedPath, destination});
    planned.insert(url);
  }

  if (!moves.empty()) {
    std::vector<ElevatedTrashCommand::Move> commandMoves;
    for (const auto& move : moves) commandMoves.push_back({move.sourcePath, move.destination.path()});
    auto outcome = runner->run(ElevatedTrashCommand::command(commandMoves, uid, gid));

    const auto* failure = std::get_if<PrivilegedRemovalError>(&outcome);
    if (failure && failure->kind == PrivilegedRemovalError::Kind::userCancelled) {
      for (const auto& move : moves)
        results.insert_or_assign(
            move.url, TrashOperation::failure(move.url, kCancelled, RemovalFailureReason::needsAdministrator));
    } else {
      // Only the file system says what happened: a command stopped half-way still reports each bundle.
      const char* fallback = std::holds_alternative<Ok>(outcome) ? kNotMoved : kDidNotComplete;
      for (const auto& move : moves) {
        bool done = fileExists(move.destination) && !fileExists(Url::fileURL(move.sourcePath));
        results.insert_or_assign(
            move.url, done ? TrashOperation::success(move.url, move.destination)
                           : TrashOperation::failure(move.url, fallback, RemovalFailureReason::needsAdministrator));
      }
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

}  // namespace corvane
