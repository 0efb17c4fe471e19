#pragma once
// The shell command that moves application bundles into the Trash with administrator rights, and the
// script that obtains the administrator prompt for it on macOS.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::ElevatedTrashCommand {

struct Move {
  std::string source;
  std::string destination;
  bool operator==(const Move&) const = default;
};

// One shell word whatever the text holds: every ' becomes '\'' and the whole is wrapped in '...'.
std::string shellQuote(std::string_view text);
// An AppleScript string literal: backslashes doubled, double quotes escaped, wrapped in "...".
std::string appleScriptStringLiteral(std::string_view text);

// For each move: "/bin/mv -n -- SRC DST && /usr/sbin/chown -R -- UID:GID DST", joined with " && ", so the
// first failing step stops the rest and nothing is ever replaced. Empty for no moves.
std::string command(const std::vector<Move>& moves, std::uint32_t uid, std::uint32_t gid);
// "do shell script " + the command as an AppleScript literal + " with administrator privileges".
std::string appleScriptSource(std::string_view command);

}  // namespace corvane::ElevatedTrashCommand
