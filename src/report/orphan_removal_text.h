#pragma once
// A removal of leftovers in words: why nothing moves, what will move, the question before the move and
// what moved.

#include <ostream>
#include <string>

#include "corvane/analysis/finding_sizes.h"
#include "corvane/uninstall/orphan_removal_session.h"

namespace corvane::report {

// Why a plan that names something unknown or unmovable moves nothing; empty for any other plan.
std::string removalRefusal(const OrphanRemovalPlan& plan);

// "Nothing to move: the groups named hold nothing graded Probably Leftover (...)."
std::string nothingToMove(OrphanSelection::Tier tier);

// "To move to the Trash (2 items, 12 KB):" and one line per selected finding, paths as `shown` shows them.
void printRemovalPlan(std::ostream& out, const OrphanRemovalPlan& plan, const FindingSizes& sizes,
                      const Layout& shown, bool colour);

// "Remove leftovers of X: move 2 items to the Trash? [y/N] "
std::string removalQuestion(const OrphanRemovalPlan& plan);

// "Moved 2 items to the Trash (12 KB); recorded in the history as ID (corvane restore ID puts them back)."
std::string removalMoved(const OrphanRemovalResult& result, const SizeTotal& freed);

// Why the record of items that did move could not be written.
std::string removalNotRecorded(const Error& error, const std::string& historyFile);

}  // namespace corvane::report
