#pragma once
// The ownership layer's last word on an analysis: nothing the system's own Library names claim is offered
// to an app that is not Apple's own, whatever names it shares, and a folder that many apps share is
// never offered whole, to any app.

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "corvane/model/app_identity.h"
#include "corvane/model/file_finding.h"

namespace corvane::SystemOwnership {

// Removes from `findings` those claimed for the system or a shared folder (`libraries`: the home and
// the system Library folders, host paths). `withheld`, when set, is given each one removed, with the
// claim as its last evidence entry.
void withhold(std::vector<FileFinding>& findings, const AppIdentity& identity, std::span<const std::string> libraries,
              const std::function<void(FileFinding)>& withheld);

}  // namespace corvane::SystemOwnership
