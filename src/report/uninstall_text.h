#pragma once
// An uninstall's sentences for a terminal: why a plan cannot go ahead, the question before the move,
// the background services paused, what moved and what was left.

#include <iosfwd>
#include <string>

#include "corvane/base/result.h"
#include "corvane/uninstall/uninstall_session.h"

namespace corvane::report {

// Why a plan that is not ready moves nothing: "no application at /Applications/X.app", ...; empty for
// a ready plan or one with nothing selected.
std::string planRefusal(const UninstallPlan& plan);
// "Uninstall /Applications/X.app: move 3 items to the Trash? [y/N] "
std::string uninstallQuestion(const UninstallPlan& plan);
// Why the history could not be reserved, so that nothing moved.
std::string historyUnavailable(const Error& error, const std::string& historyFile);
// Why a record of items that did move could not be written.
std::string notRecorded(const Error& error, const std::string& historyFile);
// The background services the uninstall paused, if any, one line each.
void printBackgroundServices(std::ostream& out, const UninstallRecord& record);
// "Moved 3 items to the Trash (12 KB); recorded in the history as ID." `freed`: what moved took, as shown.
void printMoved(std::ostream& out, const UninstallResult& result, const std::string& freed);
// "Nothing of X was found afterwards." or "2 items of X remain (see corvane analyze)."
void printRemaining(std::ostream& out, const UninstallPlan& plan, const UninstallRecord& record);

}  // namespace corvane::report
