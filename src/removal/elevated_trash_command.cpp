#include "corvane/removal/elevated_trash_command.h"

namespace corvane::ElevatedTrashCommand {

std::string shellQuote(std::string_view text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out.push_back(c);
    }
  }
  out.push_back('\'');
  return out;
}

std::string appleScriptStringLiteral(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '"') {
      out += "\\\"";
    } else {
      out.push_back(c);
    }
  }
  out.push_back('"');
  return out;
}

std::string command(const std::vector<Move>& moves, std::uint32_t uid, std::uint32_t gid) {
  std::string text;
  for (const auto& move : moves) {
    std::string_view source = move.source;
    while (source.size() > 1 && source.back() == '/') source.remove_suffix(1);
    const std::size_t slash = source.rfind('/');
    const std::string name(source.substr(slash + 1));
    const std::string parent = slash == 0 || slash == std::string_view::npos ? "/" : std::string(source.substr(0, slash));
    if (!text.empty()) text += " && ";
    text += "/bin/mkdir -m 700 -- " + shellQuote(move.staging) + " && ( cd -P -- " + shellQuote(parent) +
            " && [ \"$(pwd -P)\" = " + shellQuote(parent) + " ] && /bin/mv -n -- " + shellQuote("./" + name) + " " +
            shellQuote(move.staging + "/" + name) + " ) && /usr/sbin/chown -R -- " + std::to_string(uid) + ":" +
            std::to_string(gid) + " " + shellQuote(move.staging);
  }
  return text;
}

std::string appleScriptSource(std::string_view command) {
  return "do shell script " + appleScriptStringLiteral(command) + " with administrator privileges";
}

}  // namespace corvane::ElevatedTrashCommand
