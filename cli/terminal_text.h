#pragma once
// The library's window phrases as the commands show them (report/terminal_text.h).

#include "report/terminal_text.h"

namespace corvane::cli {
using report::forTerminal;
using report::terminalPhrases;
}  // namespace corvane::cli
