#pragma once
// The shell command that moves application bundles into the Trash with administrator rights, and the
// script that obtains the administrator prompt for it on macOS.
//
// The command never moves a bundle to its final Trash name itself. The name was chosen before the prompt,
// and while the prompt is up anything may take it; `mv SRC DST` onto an existing folder moves SRC *into*
// it (both the BSD and the GNU mv, -n or not), and POSIX sh offers no rename that refuses an existing
// destination (GNU's `mv -T` does not exist on macOS; a `[ -e DST ]` test first only narrows the race).
// So each bundle goes into a staging folder that the same command has just created with mkdir, which
// fails when the name exists, and which only root can write into until the command hands it over: there
// nothing can be in the bundle's way. The caller then moves the bundle to its Trash name with its own
// exclusive rename (renameatx_np RENAME_EXCL / renameat2 RENAME_NOREPLACE), which refuses an existing
// item atomically, and removes the emptied staging folder.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::ElevatedTrashCommand {

struct Move {
  std::string source;   // the bundle
  std::string staging;  // a folder that does not exist yet; the bundle goes in it under its own name
  bool operator==(const Move&) const = default;
};

// One shell word whatever the text holds: every ' becomes '\'' and the whole is wrapped in '...'.
std::string shellQuote(std::string_view text);
// An AppleScript string literal: backslashes doubled, double quotes escaped, wrapped in "...".
std::string appleScriptStringLiteral(std::string_view text);

// For each move: "/bin/mkdir -m 700 -- STAGING && ( cd -P -- PARENT && [ "$(pwd -P)" = PARENT ] && /bin/mv
// -n -- ./NAME STAGING/NAME ) && /usr/sbin/chown -R -- UID:GID STAGING" (PARENT and NAME: SRC's folder,
// resolved by the caller, and last component), joined with " && ", so the first failing step stops the
// rest and nothing is ever replaced or entered. The bundle is moved relative to the folder the shell
// entered, and only when that folder is PARENT itself: a folder on the way swapped for a link leads
// elsewhere and stops the move. "--" keeps a name that begins with "-" from being read as an option.
// Empty for no moves.
std::string command(const std::vector<Move>& moves, std::uint32_t uid, std::uint32_t gid);
// "do shell script " + the command as an AppleScript literal + " with administrator privileges".
std::string appleScriptSource(std::string_view command);

}  // namespace corvane::ElevatedTrashCommand
