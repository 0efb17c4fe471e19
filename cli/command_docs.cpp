// corvane completions SHELL and corvane man: the shell completions and the man page, from the table.

#include "cli/command_docs.h"

#include <ostream>
#include <set>

#include "corvane/base/version.h"

namespace corvane::cli {

namespace {

// Every option the command takes, flags and options with values alike, sorted.
std::set<std::string> optionsOf(const Command& c) {
  std::set<std::string> all = c.options.flags;
  all.insert(c.options.values.begin(), c.options.values.end());
  if (c.options.layout)
    for (const auto& option : kLayoutOptions) all.insert(option.name);
  all.insert("--help");
  return all;
}

bool takesValue(const Command& c, const std::string& option) {
  if (c.options.values.count(option)) return true;
  if (!c.options.layout) return false;
  for (const auto& layoutOption : kLayoutOptions)
    if (option == layoutOption.name) return true;
  return false;
}

bool takesPath(const Command& c, const std::string& option) {
  return c.options.paths.count(option) || (takesValue(c, option) && !c.options.values.count(option));
}

// Inside single quotes, for sh and zsh.
std::string shQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char ch : text) quoted += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
  return quoted + "'";
}

std::string joined(const std::set<std::string>& words) {
  std::string line;
  for (const auto& w : words) line += (line.empty() ? "" : " ") + w;
  return line;
}

std::string bash(const std::vector<Command>& commands) {
  std::set<std::string> names = {"--help", "--version"};
  for (const auto& c : commands) names.insert(c.name);
  std::string s = "# corvane completions for bash\n_corvane() {\n  local cur=${COMP_WORDS[COMP_CWORD]} words=\n";
  s += "  if (( COMP_CWORD == 1 )); then\n    words=" + shQuoted(joined(names)) + "\n  else\n";
  s += "    case ${COMP_WORDS[1]} in\n";
  for (const auto& c : commands) s += "      " + c.name + ") words=" + shQuoted(joined(optionsOf(c))) + " ;;\n";
  s += "    esac\n    # Anything but an option is left to file-name completion.\n"
       "    [[ $cur == -* ]] || return 0\n  fi\n"
       "  COMPREPLY=($(compgen -W \"$words\" -- \"$cur\"))\n}\ncomplete -o default -F _corvane corvane\n";
  return s;
}

std::string zshEscaped(const std::string& text) {
  std::string escaped;
  for (char ch : text) {
    if (ch == ':' || ch == '[' || ch == ']' || ch == '\\') escaped += '\\';
    escaped += ch;
  }
  return escaped;
}

std::string zsh(const std::vector<Command>& commands) {
  std::string s = "#compdef corvane\n# corvane completions for zsh\n_corvane() {\n  local -a commands\n  commands=(\n";
  for (const auto& c : commands) s += "    " + shQuoted(c.name + ":" + zshEscaped(c.summary)) + "\n";
  s += "  )\n  if (( CURRENT == 2 )); then\n    _describe command commands\n    return\n  fi\n  case $words[2] in\n";
  for (const auto& c : commands) {
    s += "    " + c.name + ") _arguments";
    for (const auto& option : optionsOf(c)) {
      std::string spec = option;
      if (takesValue(c, option)) spec += takesPath(c, option) ? ":path:_files" : ":value: ";
      s += " " + shQuoted(spec);
    }
    s += c.options.maxPositional > 0 ? " '*:file:_files' ;;\n" : " ;;\n";
  }
  return s + "  esac\n}\n_corvane \"$@\"\n";
}

std::string fishQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char ch : text) {
    if (ch == '\'' || ch == '\\') quoted += '\\';
    quoted += ch;
  }
  return quoted + "'";
}

std::string fish(const std::vector<Command>& commands) {
  std::string s = "# corvane completions for fish\ncomplete -c corvane -f\n"
                  "complete -c corvane -n __fish_use_subcommand -l help\n"
                  "complete -c corvane -n __fish_use_subcommand -l version\n";
  for (const auto& c : commands)
    s += "complete -c corvane -n __fish_use_subcommand -a " + c.name + " -d " + fishQuoted(c.summary) + "\n";
  for (const auto& c : commands) {
    const std::string when = "complete -c corvane -n '__fish_seen_subcommand_from " + c.name + "'";
    for (const auto& option : optionsOf(c)) {
      s += when + " -l " + option.substr(2);
      if (takesValue(c, option)) s += takesPath(c, option) ? " -r -F" : " -r";
      s += "\n";
    }
    if (c.options.maxPositional > 0) s += when + " -F\n";
  }
  return s;
}

// Text for roff: backslashes doubled, hyphens as minus signs, a leading dot or quote made harmless.
std::string roff(const std::string& text) {
  std::string escaped;
  for (char ch : text) {
    if (ch == '\\') escaped += "\\e";
    else if (ch == '-') escaped += "\\-";
    else escaped += ch;
  }
  if (!escaped.empty() && (escaped[0] == '.' || escaped[0] == '\'')) escaped.insert(0, "\\&");
  return escaped;
}

}  // namespace

std::optional<std::string> completionScript(const std::string& shell, const std::vector<Command>& commands) {
  if (shell == "bash") return bash(commands);
  if (shell == "zsh") return zsh(commands);
  if (shell == "fish") return fish(commands);
  return std::nullopt;
}

std::string manPage(const std::vector<Command>& commands) {
  std::string s = ".TH CORVANE 1 \"\" \"corvane " + std::string(version()) + "\" \"User Commands\"\n";
  s += ".SH NAME\ncorvane \\- find what an app leaves on a Mac and move what you choose to the Trash\n";
  s += ".SH SYNOPSIS\n.B corvane\n.I COMMAND\n[\\fIOPTIONS\\fR]\n.br\n.B corvane \\-\\-help\n.br\n"
       ".B corvane \\-\\-version\n";
  s += ".SH DESCRIPTION\nCorvane works out which files and registrations belong to an installed app, explains "
       "with evidence why each one belongs to it, grades how safe each is to remove, and moves what you select to "
       "the Trash, where it stays recoverable.\nAPP is a bundle path, or an app's name or bundle identifier as\n"
       ".B corvane apps\nlists them.\n";
  s += ".SH COMMANDS\n";
  for (const auto& c : commands) s += ".TP\n.B " + roff("corvane " + usageLine(c)) + "\n" + roff(c.summary) + "\n";
  s += ".SH OPTIONS\nCommands that read a Mac take:\n";
  for (const auto& option : kLayoutOptions)
    s += ".TP\n.BI " + roff(option.name) + " \" " + option.placeholder + "\"\n" + roff(option.help) + "\n";
  s += ".SH ENVIRONMENT\n.TP\n.B NO_COLOR\nWhen set to anything but the empty text, tiers are not coloured.\n";
  s += ".SH EXIT STATUS\n0 when the command did what was asked, 1 when it failed, 64 for a bad command line (nothing "
       "was done).\n";
  return s;
}

namespace {

int completions(const ParsedArguments& args, Context& context) {
  auto script = completionScript(args.positional[0], allCommands());
  if (!script) {
    context.err << "corvane completions: no completions for " << args.positional[0] << " (bash, zsh or fish)\n";
    return kExitUsage;
  }
  context.out << *script;
  return kExitOK;
}

int man(const ParsedArguments&, Context& context) {
  context.out << manPage(allCommands());
  return kExitOK;
}

}  // namespace

Command completionsCommand() {
  Command c;
  c.name = "completions";
  c.usage = "completions bash|zsh|fish";
  c.summary = "Prints the shell completion script for bash, zsh or fish.";
  c.options.minPositional = 1;
  c.options.maxPositional = 1;
  c.run = completions;
  return c;
}

Command manCommand() {
  Command c;
  c.name = "man";
  c.usage = "man";
  c.summary = "Prints the manual page (roff), as installed in man1/corvane.1.";
  c.run = man;
  return c;
}

}  // namespace corvane::cli
