// The whole analysis of one app over a Mac held in memory: no disk, no clock, no running processes.

#include <gtest/gtest.h>

#include <memory>

#include "corvane/analysis/app_analyzer.h"
#include "sample_mac/memory_file_system.h"
#include "corvane/base/date.h"

namespace corvane {
namespace {

constexpr std::int64_t kDay = 24 * 60 * 60;

TEST(MemoryTreeAnalysisTest, FindsAndGradesEveryItemWithoutTouchingTheDisk) {
  const Date now = *date::parseISO8601("2026-12-04T00:00:00Z");
  const std::int64_t today = std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch()).count();
  auto mac = std::make_shared<testing::MemoryFileSystem>();
  const std::string home = "/mac/Users/me";
  mac->addFolder("/mac/Applications/Gizmo.app/Contents", today);
  mac->addFile(home + "/Library/Caches/com.example.tool/inside.db", "data", today);
  mac->addFile(home + "/Library/Preferences/com.example.tool.plist", "", today);
  mac->addFolder(home + "/Library/Caches/com.other.app", today);
  mac->addFolder(home + "/Library/Application Support/com.example.tool/com.example.tool.cache", today);
  mac->addFolder(home + "/Library/Logs/com.example.tool", today - 200 * kDay);
  mac->addFile(home + "/Library/Logs/.com.example.tool.hidden", "", today);
  // On the Mac this leads to "/Users/Shared": outside the Caches folder, so it is no item of it.
  mac->addFolder("/mac/Users/Shared/com.example.tool", today);
  mac->addLink(home + "/Library/Caches/com.example.tool.shared", "/Users/Shared/com.example.tool", today);
  // This one stays inside and is judged where it lies, as a system item needing an administrator.
  mac->addLink("/mac/Library/Caches/com.example.tool", "/Library/Caches/real", today);
  mac->addFolder("/mac/Library/Caches/real", today);

  AppAnalyzer::Collaborators c;
  c.inspect = [](const Url&) { return SignatureFacts{}; };
  c.receiptInspector = [](const std::optional<std::string>&, const std::string&) { return std::vector<std::string>{}; };
  c.componentInspector = [](const Url&) { return AppAnalyzer::ComponentFacts{}; };
  c.runningApplications = [] { return std::vector<RunningApplication>{}; };
  c.requiresAdministrator = [](const Url& url) { return url.path().starts_with("/mac/Library/"); };
  c.loadSystemExtensions = [](const Url&) { return std::vector<SystemExtensionRecord>{}; };
  c.now = [now] { return now; };
  c.fileSystem = mac;
  const AppAnalyzer analyzer(Layout::at("/mac", home), std::move(c));

  const AppIdentity gizmo{"Gizmo", "com.example.tool", std::nullopt, std::nullopt, {}, std::nullopt, std::nullopt};
  AnalysisSnapshot s = analyzer.analyze(gizmo, Url::fileURL("/mac/Applications/Gizmo.app"), {}, {});
  std::vector<std::string> found;
  for (const auto& f : s.findings)
    found.push_back(std::string(stringValue(f.confidence)) + " " + std::to_string(f.score) + " " + f.url.path() +
                    (f.byteCount ? " " + std::to_string(*f.byteCount) : ""));
  EXPECT_EQ(found, (std::vector<std::string>{
                       "Safe to Remove 100 /mac/Applications/Gizmo.app 0",
                       "Safe to Remove 82 /mac/Users/me/Library/Caches/com.example.tool 0",
                       "Safe to Remove 82 /mac/Users/me/Library/Preferences/com.example.tool.plist 0",
                       "Probably Leftover 82 /mac/Library/Caches/com.example.tool 0",
                       "Probably Leftover 73 /mac/Users/me/Library/Logs/com.example.tool 0",
                       "Probably Leftover 70 /mac/Users/me/Library/Application Support/com.example.tool 0"}));
  EXPECT_EQ(s.createdAt, now);
  EXPECT_EQ(s.findings[3].evidence.back().explanation,
            "macOS needs an administrator to remove this item. It will be moved to the Trash (recoverable) after you "
            "approve the administrator prompt.");
  EXPECT_EQ(s.findings[4].evidence.back().explanation,
            "Not modified for about 200 days; age is supporting evidence only.");
  EXPECT_EQ(s.findings[0].diskIdentity->fileType, 0040000u);
}

}  // namespace
}  // namespace corvane
