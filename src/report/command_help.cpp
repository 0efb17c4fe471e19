#include "report/command_help.h"

#include <algorithm>
#include <ostream>

#include "corvane/base/version.h"

namespace corvane::report {

namespace {

// Every option the command takes, as documented, and --help.
std::vector<OptionHelp> optionsOf(const CommandHelp& c) {
  std::vector<OptionHelp> all = c.options;
  all.push_back({"--help", "", "shows this command's options", {}});
  return all;
}

// Inside single quotes, for sh and zsh.
std::string shQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char ch : text) quoted += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
  return quoted + "'";
}

std::string joined(const std::vector<std::string>& words) {
  std::string line;
  for (const auto& w : words) line += (line.empty() ? "" : " ") + w;
  return line;
}

// Completes, in order: the command; an option's value (its accepted values, else a path, else nothing);
// an option; the command's sub-command; its operand: an app's name, a history id, or a file. Names and
// ids come from the tool itself, asked with the --root and --home already on the line.
std::string bash(const ToolHelp& tool) {
  std::vector<std::string> names = {"--help", "--version"};
  for (const auto& c : tool.commands) names.push_back(c.name);
  std::string s = "# corvane completions for bash\n"
                  "_corvane_lines() {\n  local IFS=$'\\n' line\n"
                  "  for line in $(compgen -W \"$1\" -- \"$cur\"); do COMPREPLY+=(\"$(printf '%q' \"$line\")\"); done\n}\n"
                  "_corvane() {\n  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]} "
                  "tool=${COMP_WORDS[0]} words= values= operand= i\n  local -a layout=() positional=()\n  COMPREPLY=()\n";
  s += "  if (( COMP_CWORD == 1 )); then\n    COMPREPLY=($(compgen -W " + shQuoted(joined(names)) +
       " -- \"$cur\"))\n    return 0\n  fi\n";
  s += "  for (( i = 2; i < COMP_CWORD; i++ )); do\n    case ${COMP_WORDS[i]} in\n"
       "      --root|--home) layout+=(\"${COMP_WORDS[i]}\" \"${COMP_WORDS[i+1]}\"); (( i++ )) ;;\n"
       "      -*) ;;\n      *) positional+=(\"${COMP_WORDS[i]}\") ;;\n    esac\n  done\n";
  s += "  case ${COMP_WORDS[1]} in\n";
  for (const auto& c : tool.commands) {
    std::vector<std::string> options;
    std::string valueCases;
    for (const auto& o : optionsOf(c)) {
      options.push_back(o.name);
      if (o.value.empty()) continue;
      valueCases += "        " + o.name + ") ";
      valueCases += !o.accepted.empty() ? "COMPREPLY=($(compgen -W " + shQuoted(joined(o.accepted)) + " -- \"$cur\"))"
                    : o.takesPath ? "COMPREPLY=($(compgen -f -- \"$cur\"))"
                                      : ":";
      valueCases += "; return 0 ;;\n";
    }
    s += "    " + c.name + ")\n";
    if (!valueCases.empty()) s += "      case $prev in\n" + valueCases + "      esac\n";
    s += "      words=" + shQuoted(joined(options));
    if (!c.words.empty()) s += "; values=" + shQuoted(joined(c.words));
    const char* operand = c.operand == Operand::app ? "app" : c.operand == Operand::historyID ? "history" : "";
    if (*operand) s += std::string("; operand=") + operand;
    s += " ;;\n";
  }
  s += "  esac\n"
       "  if [[ $cur == -* ]]; then COMPREPLY=($(compgen -W \"$words\" -- \"$cur\")); return 0; fi\n"
       "  if [[ -n $values ]] && (( ${#positional[@]} == 0 )); then\n"
       "    COMPREPLY=($(compgen -W \"$values\" -- \"$cur\")); return 0\n  fi\n"
       "  # History ids follow the sub-command that takes them; anything else is left to file names.\n"
       "  [[ -n $values && ${positional[0]} != show && ${positional[0]} != delete ]] && return 0\n"
       "  case $operand in\n"
       "    app) _corvane_lines \"$(\"$tool\" apps --names \"${layout[@]}\" 2>/dev/null)\" ;;\n"
       "    history) _corvane_lines \"$(\"$tool\" history \"${layout[@]}\" 2>/dev/null | sed -n 's/.* · //p')\" ;;\n"
       "  esac\n  return 0\n}\ncomplete -o default -F _corvane corvane\n";
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

std::string zsh(const ToolHelp& tool) {
  std::string s = "#compdef corvane\n# corvane completions for zsh\n_corvane() {\n  local -a commands\n  commands=(\n";
  for (const auto& c : tool.commands) s += "    " + shQuoted(c.name + ":" + zshEscaped(c.summary)) + "\n";
  s += "  )\n  if (( CURRENT == 2 )); then\n    _describe command commands\n    return\n  fi\n  case $words[2] in\n";
  for (const auto& c : tool.commands) {
    s += "    " + c.name + ") _arguments";
    for (const auto& option : optionsOf(c)) {
      std::string spec = option.name;
      if (!option.value.empty())
        spec += !option.accepted.empty() ? ":value:(" + joined(option.accepted) + ")"
                : option.takesPath   ? ":path:_files"
                                         : ":value: ";
      s += " " + shQuoted(spec);
    }
    if (!c.words.empty()) s += " " + shQuoted("1:word:(" + joined(c.words) + ")");
    if (c.operand == Operand::app)
      s += " '*:app:{_files; compadd -- ${(f)\"$(corvane apps --names 2>/dev/null)\"}}'";
    else if (c.operand == Operand::historyID)
      s += " '*:id:{compadd -- ${(f)\"$(corvane history 2>/dev/null | sed -n \"s/.* · //p\")\"}}'";
    else if (c.takesArguments)
      s += " '*:file:_files'";
    s += " ;;\n";
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

std::string fish(const ToolHelp& tool) {
  std::string s = "# corvane completions for fish\ncomplete -c corvane -f\n"
                  "complete -c corvane -n __fish_use_subcommand -l help\n"
                  "complete -c corvane -n __fish_use_subcommand -l version\n";
  for (const auto& c : tool.commands)
    s += "complete -c corvane -n __fish_use_subcommand -a " + c.name + " -d " + fishQuoted(c.summary) + "\n";
  for (const auto& c : tool.commands) {
    const std::string when = "complete -c corvane -n '__fish_seen_subcommand_from " + c.name + "'";
    for (const auto& option : optionsOf(c)) {
      s += when + " -l " + option.name.substr(2);
      if (!option.accepted.empty()) s += " -x -a " + fishQuoted(joined(option.accepted));
      else if (!option.value.empty()) s += option.takesPath ? " -r -F" : " -x";
      s += " -d " + fishQuoted(option.help) + "\n";
    }
    if (!c.words.empty()) s += when + " -a " + fishQuoted(joined(c.words)) + "\n";
    if (c.operand == Operand::app) s += when + " -F -a '(corvane apps --names 2>/dev/null)'\n";
    else if (c.operand == Operand::historyID)
      s += when + " -a '(corvane history 2>/dev/null | string replace -rf \".* · \" \"\")'\n";
    else if (c.takesArguments) s += when + " -F\n";
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

void printHelp(std::ostream& out, const ToolHelp& tool) {
  out << "usage: corvane COMMAND [OPTIONS]\n\nCommands:\n";
  for (const auto& c : tool.commands) out << "  " << c.usage << "\n      " << c.summary << "\n";
  out << "\nCommands that read a Mac take:\n";
  for (const auto& o : tool.layout) out << "  " << o.name << (o.value.empty() ? "" : " " + o.value) << "  " << o.help << "\n";
}

void printCommandHelp(std::ostream& out, const CommandHelp& command) {
  out << "usage: corvane " << command.usage << "\n" << command.summary << "\n";
  if (command.options.empty()) return;
  std::size_t width = 0;
  for (const auto& o : command.options) width = std::max(width, o.name.size() + (o.value.empty() ? 0 : o.value.size() + 1));
  out << "\nOptions:\n";
  for (const auto& o : command.options) {
    const std::string left = o.name + (o.value.empty() ? "" : " " + o.value);
    out << "  " << left << std::string(width + 2 - left.size(), ' ') << o.help << "\n";
  }
}

std::optional<std::string> completionScript(const std::string& shell, const ToolHelp& tool) {
  if (shell == "bash") return bash(tool);
  if (shell == "zsh") return zsh(tool);
  if (shell == "fish") return fish(tool);
  return std::nullopt;
}

std::string manPage(const ToolHelp& tool) {
  std::string s = ".TH CORVANE 1 \"\" \"corvane " + std::string(version()) + "\" \"User Commands\"\n";
  s += ".SH NAME\ncorvane \\- find what an app leaves on a Mac and move what you choose to the Trash\n";
  s += ".SH SYNOPSIS\n.B corvane\n.I COMMAND\n[\\fIOPTIONS\\fR]\n.br\n.B corvane \\-\\-help\n.br\n"
       ".B corvane \\-\\-version\n";
  s += ".SH DESCRIPTION\nCorvane works out which files and registrations belong to an installed app, explains "
       "with evidence why each one belongs to it, grades how safe each is to remove, and moves what you select to "
       "the Trash, where it stays recoverable.\nAPP is a bundle path, or an app's name or bundle identifier as\n"
       ".B corvane apps\nlists them.\n";
  s += ".SH COMMANDS\nEach command's own options follow it; those of the commands that read a Mac are under OPTIONS.\n";
  for (const auto& c : tool.commands) {
    s += ".TP\n.B " + roff("corvane " + c.usage) + "\n" + roff(c.summary) + "\n";
    bool any = false;
    for (const auto& o : c.own) {
      s += std::string(any ? "" : ".RS\n") + ".TP\n.B " + roff(o.name + (o.value.empty() ? "" : " " + o.value)) + "\n" +
           roff(o.help) + "\n";
      any = true;
    }
    if (any) s += ".RE\n";
  }
  s += ".SH OPTIONS\nCommands that read a Mac take:\n";
  for (const auto& o : tool.layout)
    s += ".TP\n" + (o.value.empty() ? ".B " + roff(o.name) : ".BI " + roff(o.name) + " \" " + o.value + "\"") + "\n" +
         roff(o.help) + "\n";
  s += "Every command takes\n.B \\-\\-help\n(its options) and\n.B \\-\\-json\nwhere it lists something; the JSON "
       "forms are described in docs/json.md.\n";
  s += ".SH EXIT STATUS\n.TP\n.B 0\nThe command did what was asked.\n.TP\n.B 1\nIt failed, or did only part of it "
       "(an item that could not be moved, put back or deleted; a confirmation refused).\n.TP\n.B 64\nA bad command "
       "line: nothing was done.\n";
  s += ".SH ENVIRONMENT\n.TP\n.B NO_COLOR\nWhen set to anything but the empty text, tiers and lanes are not "
       "coloured.\n.TP\n.B TERM\nWhen \"dumb\", neither colour nor progress is shown.\n.TP\n.B HOME\nThe home folder "
       "read when\n.B \\-\\-home\nis not given.\n";
  s += ".SH FILES\n.TP\n.I ~/Library/Application Support/Corvane/history.json\nThe uninstall history (and its "
       "lock\n.IR .history.json.lock ).\n.TP\n.I ~/Library/Application Support/Corvane/leftover\\-check.json\nWhen "
       "the weekly leftover check last ran and what it has seen.\n.TP\n.I ~/.Trash\nWhere uninstalled items go; "
       "they stay there until the Trash is emptied.\n";
  s += ".SH EXAMPLES\n.nf\ncorvane analyze \"Beacon VPN\" \\-\\-explain\ncorvane uninstall \"Beacon VPN\" \\-\\-select "
       "safe \\-\\-dry\\-run\ncorvane uninstall \"Beacon VPN\" \\-\\-select 3F2A9C1B,7D01E4AA\ncorvane trash \\-\\-lane "
       "\"Keep?\"\ncorvane history\ncorvane restore RECORD\\-ID\ncorvane completions bash > ~/.local/share/bash\\-completion/completions/corvane\ncorvane demo \\-\\-at "
       "/tmp/sample\ncorvane analyze \"Beacon VPN\" \\-\\-root /tmp/sample/root \\-\\-home /tmp/sample/home\n.fi\n";
  return s;
}

}  // namespace corvane::report
