#include "uninstall/trash_move_step.h"

#include <algorithm>

#include "corvane/removal/background_service_controller.h"
#include "corvane/removal/elevated_trash_mover.h"
#include "corvane/removal/removal_failure_classifier.h"
#include "corvane/removal/trash_service.h"
#include "platform/directory.h"
#include "platform/fs_ops.h"

namespace corvane {

UninstallCollaborators completed(const Layout& layout, UninstallCollaborators c) {
  UninstallCollaborators machine = UninstallCollaborators::system(layout);
  if (!c.commandRunner.output && !c.commandRunner.outcome) c.commandRunner = machine.commandRunner;
  if (!c.trashMover.move) c.trashMover = machine.trashMover;
  if (!c.relocate) c.relocate = machine.relocate;
  if (!c.clock) c.clock = machine.clock;
  if (!c.fileAccess.presence) c.fileAccess.presence = machine.fileAccess.presence;
  if (!c.fileAccess.isWritable) c.fileAccess.isWritable = machine.fileAccess.isWritable;
  if (!c.elevationCandidate) c.elevationCandidate = machine.elevationCandidate;
  return c;
}

RemovalRunner::Transaction moveToTrash(const Layout& layout, const UninstallCollaborators& collaborators,
                                       const std::string& launchctl, const std::vector<FileFinding>& selected,
                                       const AppIdentity& identity, std::optional<bool> applicationWillBeRemoved) {
  const FileAccessChecks checks = collaborators.fileAccess;
  TrashService trash(
      collaborators.trashMover,
      [layout, checks](const Url& url) { return RemovalFailureClassifier::context(url, layout, checks); },
      collaborators.relocate, Url::fileURL(layout.userTrash()),
      [](const Url& url) { return platform::itemExists(url.path()); });
  RemovalRunner runner(std::move(trash),
                       BackgroundServiceController(std::make_shared<const CommandRunning>(collaborators.commandRunner),
                                                   layout.userID, launchctl));
  RemovalRunner::Transaction transaction = runner.perform(selected, identity, applicationWillBeRemoved);
  if (!collaborators.privilegedRunner.isAvailable()) return transaction;

  // The application bundles the ordinary move left for an administrator, all behind one prompt.
  std::vector<std::size_t> positions;
  std::vector<Url> urls;
  for (std::size_t i = 0; i < transaction.trashOperations.size(); ++i) {
    const TrashOperation& op = transaction.trashOperations[i];
    bool isApplication = std::any_of(selected.begin(), selected.end(), [&](const FileFinding& f) {
      return f.kind == FindingKind::application && f.url == op.originalURL;
    });
    if (!op.succeeded && op.failureReason == RemovalFailureReason::needsAdministrator && isApplication) {
      positions.push_back(i);
      urls.push_back(op.originalURL);
    }
  }
  if (!urls.empty()) {
    ElevatedTrashMover mover = ElevatedTrashMover::system(collaborators.privilegedRunner, layout);
    mover.candidateProvider = collaborators.elevationCandidate;
    std::vector<TrashOperation> elevated = mover.moveToTrash(urls);
    for (std::size_t k = 0; k < positions.size(); ++k) transaction.trashOperations[positions[k]] = elevated[k];
  }
  return transaction;
}

}  // namespace corvane
