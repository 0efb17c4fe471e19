#include "report/mac_style_text.h"

namespace corvane::report {

std::string macStyleText(std::string text, const Layout& layout) {
  auto replace = [&text](const std::string& from, const std::string& to) {
    if (from.empty() || from == "/") return;
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
      const std::size_t end = at + from.size();
      // Only whole path components: "/home/u" in "/home/u/x" or at the end, not in "/home/user".
      if (end < text.size() && text[end] != '/' && text[end] != '\'' && text[end] != '.' && text[end] != ' ') {
        at += 1;
        continue;
      }
      text.replace(at, from.size(), to);
    }
  };
  replace(layout.underHome(""), "~");
  if (!layout.isLiveSystem()) replace(layout.root, "");
  return text;
}

}  // namespace corvane::report
