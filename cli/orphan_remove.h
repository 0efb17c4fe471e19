#pragma once
// corvane orphans remove KEY|ID...: moves the named orphan groups or findings to the Trash through the
// uninstall's removal path and records them in the history as one entry.

#include "cli/commands.h"

namespace corvane::cli {

// args.positional[0] is "remove"; the rest name groups (their keys) or findings (their ids).
int removeOrphans(const ParsedArguments& args, Context& context);

}  // namespace corvane::cli
