#pragma once
// The removal path every session shares: change detection, the moves to the Trash in a safe order, and
// the application bundles the ordinary move left for an administrator through the privileged runner, one
// prompt for the batch.

#include <optional>
#include <string>
#include <vector>

#include "corvane/removal/removal_runner.h"
#include "corvane/uninstall/uninstall_session.h"

namespace corvane {

RemovalRunner::Transaction moveToTrash(const Layout& layout, const UninstallCollaborators& collaborators,
                                       const std::string& launchctl, const std::vector<FileFinding>& selected,
                                       const AppIdentity& identity, std::optional<bool> applicationWillBeRemoved);

// The collaborators the caller left empty, filled with this machine's (the privileged runner stays as given).
UninstallCollaborators completed(const Layout& layout, UninstallCollaborators collaborators);

}  // namespace corvane
