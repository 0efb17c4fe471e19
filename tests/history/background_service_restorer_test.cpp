// Turning paused launch agents back on once their definitions and programs were put back.

#include <gtest/gtest.h>

#include "corvane/history/background_service_restorer.h"
#include "removal/recording_runner.h"
#include "sample_mac/sample_mac.h"
#include "sample_mac/plist_writer.h"

namespace corvane {
namespace {

constexpr const char* kAgents = "/Users/me/Library/LaunchAgents";

UninstallRecord paused(std::vector<std::pair<std::string, bool>> labels, std::vector<std::string> trashed) {
  UninstallRecord record;
  std::vector<BackgroundServiceOperation> services;
  for (const auto& [label, registered] : labels) services.push_back({Uuid::random(), label, registered, true, {}});
  record.backgroundServiceOperations = services;
  for (const auto& path : trashed)
    record.operations.push_back(TrashOperation::success(Url::fileURL(path), Url::fileURL("/Users/me/.Trash/x")));
  return record;
}

PlistDictionary agent(const std::string& label, const std::string& program) {
  return {{"Label", label}, {"ProgramArguments", PlistArray{program, "--run"}}};
}

TEST(BackgroundServiceRestorerTest, RestoresOnlyAgentsWhoseDefinitionAndProgramAreBack) {
  const std::string a = std::string(kAgents) + "/com.ex.a.plist", b = std::string(kAgents) + "/com.ex.b.plist";
  const std::string elsewhere = "/Users/me/Documents/com.ex.a.plist", spaced = std::string(kAgents) + "/bad.plist";
  const std::string on = "enable gui/501/com.ex.a; print gui/501/com.ex.a";
  struct Case {
    const char* name;
    std::vector<UninstallRecord> records;
    std::set<std::string> restored;
    std::vector<std::string> succeeding;  // the launchctl calls that succeed
    std::vector<BackgroundServiceRestoreOutcome> expected;
    std::string calls;
  };
  const std::vector<Case> cases{
      {"not registered at removal", {paused({{"com.ex.a", false}}, {a})}, {a}, {}, {}, ""},
      {"program still in the Trash", {paused({{"com.ex.b", true}}, {b})}, {b}, {}, {}, ""},
      {"definition restored elsewhere", {paused({{"com.ex.a", true}}, {elsewhere})}, {elsewhere}, {}, {}, ""},
      {"definition not among the restored", {paused({{"com.ex.a", true}}, {a})}, {}, {}, {}, ""},
      {"label with a space", {paused({{"bad label", true}}, {spaced})}, {spaced}, {}, {}, ""},
      {"not loaded: bootstrapped", {paused({{"com.ex.a", true}}, {a})}, {a},
       {"enable gui/501/com.ex.a", "bootstrap gui/501 " + a}, {{"com.ex.a", a, true, true}},
       on + "; bootstrap gui/501 " + a},
      {"already loaded: no bootstrap", {paused({{"com.ex.a", true}}, {a})}, {a}, {"print gui/501/com.ex.a"},
       {{"com.ex.a", a, false, true}}, on},
      {"two records, one label: the first record's", {paused({{"com.ex.a", true}}, {a}), paused({{"com.ex.a", true}}, {a})},
       {a}, {}, {{"com.ex.a", a, false, false}}, on + "; bootstrap gui/501 " + a},
  };
  const std::map<std::string, PlistDictionary> definitions{{a, agent("com.ex.a", "/Applications/A.app/agent")},
                                                           {elsewhere, agent("com.ex.a", "/Applications/A.app/agent")},
                                                           {b, agent("com.ex.b", "/Applications/B.app/agent")},
                                                           {spaced, agent("bad label", "/Applications/A.app/agent")}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testing::RecordingRunner runner;
    for (const auto& call : c.succeeding) runner.answers[call] = {0, ""};
    const BackgroundServiceRestorer restorer(
        runner, 501, Url::fileURL("/Users/me/"),
        [&](const std::string& path) -> std::optional<PlistDictionary> {
          auto found = definitions.find(path);
          return found == definitions.end() ? std::nullopt : std::optional(found->second);
        },
        [](const std::string& path) { return path == "/Applications/A.app/agent"; });
    EXPECT_EQ(restorer.restoreJobs(c.records, c.restored), c.expected);
    std::string calls;
    for (const auto& call : *runner.log) calls += (calls.empty() ? "" : "; ") + call;
    EXPECT_EQ(calls, c.calls);
    EXPECT_EQ(std::set<std::string>(runner.executables.begin(), runner.executables.end()).size(), c.calls.empty() ? 0u : 1u);
  }
}

TEST(BackgroundServiceRestorerTest, ProgramIsTheAbsoluteProgramOrFirstArgument) {
  const std::vector<std::pair<PlistDictionary, std::optional<std::string>>> cases{
      {{{"Program", "/bin/p"}, {"ProgramArguments", PlistArray{"/bin/q"}}}, "/bin/p"},
      {{{"Program", "bin/p"}, {"ProgramArguments", PlistArray{"/bin/q"}}}, std::nullopt},
      {{{"Program", 7}, {"ProgramArguments", PlistArray{"/bin/q", "-x"}}}, "/bin/q"},
      {{{"ProgramArguments", PlistArray{"q"}}}, std::nullopt},
      {{{"ProgramArguments", PlistArray{"/bin/q", 3}}}, std::nullopt},
      {{{"ProgramArguments", PlistArray{}}}, std::nullopt},
      {{{"Label", "x"}}, std::nullopt},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(BackgroundServiceRestorer::program(cases[i].first), cases[i].second);
  }
}

TEST(BackgroundServiceRestorerTest, ReadsDefinitionsFromDiskAsDictionariesOnly) {
  testing::TemporaryFolder tmp{"restorer"};
  const auto binary = testing::writeBinaryPlist(PlistDictionary{{"Label", "com.ex.a"}});
  const std::string dictionary = testing::SampleMac::writeFile(tmp.path() + "/a", {binary.begin(), binary.end()});
  const std::string array = testing::SampleMac::writeFile(tmp.path() + "/b", testing::writeXMLPlist(PlistArray{"x"}));
  EXPECT_EQ(BackgroundServiceRestorer::readPlistFromDisk(dictionary), (PlistDictionary{{"Label", "com.ex.a"}}));
  EXPECT_EQ(BackgroundServiceRestorer::readPlistFromDisk(array), std::nullopt);
  EXPECT_EQ(BackgroundServiceRestorer::readPlistFromDisk(tmp.path() + "/missing"), std::nullopt);
}

}  // namespace
}  // namespace corvane
