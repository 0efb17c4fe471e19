#include "report/terminal_text.h"

namespace corvane::report {

const std::vector<std::pair<std::string, std::string>>& terminalPhrases() {
  static const std::vector<std::pair<std::string, std::string>> kPhrases = {
      {"Expand any row to read the exact evidence behind its tier.",
       "corvane analyze APP --explain lists the exact evidence behind each tier."},
      {"Expand a row to read the evidence first;", "Read the evidence listed below it first;"},
      {"Expand the row for how to turn them off in System Settings.",
       "System Settings turns them off (see the evidence listed below each)."},
      {"Expand a row to see what turning it off does.", "corvane neutralize LABEL turns one off."},
      {"Click to review them.", "Run corvane orphans to review them."},
      {"Click to review it.", "Run corvane orphans to review it."},
      // The tool has no Homebrew step of its own.
      {" The optional, separately confirmed Homebrew step hands off to Homebrew's own uninstall, which may "
       "permanently remove the files Homebrew manages.",
       ""},
  };
  return kPhrases;
}

std::string forTerminal(std::string text) {
  for (const auto& [window, terminal] : terminalPhrases())
    for (auto at = text.find(window); at != std::string::npos; at = text.find(window, at + terminal.size()))
      text.replace(at, window.size(), terminal);
  return text;
}

}  // namespace corvane::report
