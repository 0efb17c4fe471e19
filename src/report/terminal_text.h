#pragma once
// The library's sentences are written for the app's window ("Expand a row", "Click to review"); the tool
// shows them in a terminal, where they point at the commands that do the same instead.

#include <string>
#include <utility>
#include <vector>

namespace corvane::report {

// Each window phrase and what the terminal shows in its place.
const std::vector<std::pair<std::string, std::string>>& terminalPhrases();

// `text` with every window phrase replaced.
std::string forTerminal(std::string text);

}  // namespace corvane::report
