#pragma once
// The one JSON dialect of everything Corvane prints. The library's records keep the form they are
// stored in (the history file writes locations as file URLs, under "url", "appURL", ...); what is
// printed writes every location as a path, under a name ending in "path"/"Path", the same field for the
// same thing in every command. docs/json.md describes each command's output.

#include <iosfwd>

#include "model/json_value.h"

namespace corvane::report {

// `doc` with every "url" key renamed "path" and every "...URL" key "...Path", their file-URL values
// written as paths.
json::Json inDialect(json::Json doc);

// Prints `doc` in the dialect, two-space indents, then a new line.
void printJSON(std::ostream& out, const json::Json& doc);

}  // namespace corvane::report
