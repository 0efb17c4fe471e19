#include "report/watch_event.h"

#include <gtest/gtest.h>

#include <sstream>

namespace corvane::report {
namespace {

FileFinding leftover(FindingConfidence tier, bool isProtected = false) {
  return FileFinding::make(Url::fileURL("/Users/u/Library/Caches/com.acme.Tool"), FindingKind::cache, tier, 55,
                           {{EvidenceKind::bundleIdentifier, "named after it", 55}}, std::int64_t{4096}, std::nullopt,
                           isProtected, std::nullopt, std::nullopt);
}

TEST(WatchEventTest, RemoveCommandAndItsHintFollowWhatCanMove) {
  using C = FindingConfidence;
  struct Row {
    std::vector<FileFinding> findings;
    std::string command, lastLine;
  };
  const std::string remove = "corvane orphans remove com.acme.Tool";
  const Row rows[] = {
      {{leftover(C::probablyLeftover), leftover(C::review)}, remove + " --root /r",
       "  (add --select all to include the 1 to review)"},
      {{leftover(C::review)}, remove + " --select all --root /r", "  To move them to the Trash: " + remove + " --select all --root /r"},
      {{leftover(C::probablyLeftover, true)}, "", "  None of them can be moved to the Trash (in use, or managed by macOS)."},
      {{}, "", "  It left nothing behind that Corvane can find."},
  };
  for (const auto& row : rows) {
    AppDeparture d;
    d.app.bundleIdentifier = "com.acme.Tool";
    d.app.name = "Tool";
    d.app.path = "/Applications/Tool.app";
    d.leftovers.findings = row.findings;
    const FindingSizes sizes;
    const WatchEvent event{d, sizes, {}, " --root /r"};
    EXPECT_EQ(removeCommand(event), row.command);
    std::ostringstream out;
    printWatchEvent(out, event, Layout{});
    const std::string text = out.str();
    EXPECT_EQ(text.substr(0, text.find('\n')), "Tool (com.acme.Tool) left /Applications/Tool.app");
    const std::size_t last = text.rfind('\n', text.size() - 2);
    EXPECT_EQ(text.substr(last + 1, text.size() - last - 2), row.lastLine);
  }
}

}  // namespace
}  // namespace corvane::report
