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
  const std::string a = std::string(kAgents) + "/com.ex.a.plist";
  const std::string b = std::string(kAgents) + "/com.ex.b.plist";
  const std::string elsewhere = "/Users/me/Documents/com.ex.a.plist";
  const std::string spaced = std::string(kAgents) + "/bad.plist";
  struct Case {
    const char* name;
    std::vector<UninstallRecord> records;
    std::set<std::string> restored;
    std::map<std::string, CommandOutcome> answers;
    std::vector<BackgroundServiceRestoreOutcome> expected;
    std::vector<std::string> calls;
  };
  const CommandOutcome ok{0, ""};
  const std::vector<Case> cases{
      {"not registered at removal", {paused({{"com.ex.a", false}}, {a})}, {a}, {}, {}, {}},
      {"program still in the Trash", {paused({{"com.ex.b", true}}, {b})}, {b}, {}, {}, {}},
      {"definition restored elsewhere", {paused({{"com.ex.a", true}}, {elsewhere})}, {elsewhere}, {}, {}, {}},
      {"definition not among the restored", {paused({{"com.ex.a", true}}, {a})}, {}, {}, {}, {}},
      {"label with a space", {paused({{"bad label", true}}, {spaced})}, {spaced}, {}, {}, {}},
      {"not loaded: bootstrapped",
       {paused({{"com.ex.a", true}}, {a})},
       {a},
       {{"enable gui/501/com.ex.a", ok}, {"bootstrap gui/501 " + a, ok}},
       {{"com.ex.a", a, true, true}},
       {"enable gui/501/com.ex.a", "print gui/501/com.ex.a", "bootstrap gui/501 " + a}},
      {"already loaded: no bootstrap",
       {paused({{"com.ex.a", true}}, {a})},
       {a},
       {{"print gui/501/com.ex.a", ok}},
       {{"com.ex.a", a, false, true}},
       {"enable gui/501/com.ex.a", "print gui/501/com.ex.a"}},
      {"two records with the same label: the first one's",
       {paused({{"com.ex.a", true}}, {a}), paused({{"com.ex.a", true}}, {a})},
       {a},
       {},
       {{"com.ex.a", a, false, false}},
       {"enable gui/501/com.ex.a", "print gui/501/com.ex.a", "bootstrap gui/501 " + a}},
  };
  const std::map<std::string, PlistDictionary> definitions{{a, agent("com.ex.a", "/Applications/A.app/agent")},
                                                           {elsewhere, agent("com.ex.a", "/Applications/A.app/agent")},
                                                           {b, agent("com.ex.b", "/Applications/B.app/agent")},
                                                           {spaced, agent("bad label", "/Applications/A.app/agent")}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testing::RecordingRunner runner;
    runner.answers = c.answers;
    const BackgroundServiceRestorer restorer(
        runner, 501, Url::fileURL("/Users/me/"),
        [&](const std::string& path) -> std::optional<PlistDictionary> {
          auto found = definitions.find(path);
          return found == definitions.end() ? std::nullopt : std::optional(found->second);
        },
        [](const std::string& path) { return path == "/Applications/A.app/agent"; });
    EXPECT_EQ(restorer.restoreJobs(c.records, c.restored), c.expected);
    EXPECT_EQ(*runner.log, c.calls);
    for (const auto& executable : runner.executables) EXPECT_EQ(executable, "/bin/launchctl");
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
  const PlistDictionary definition{{"Label", "com.ex.a"}};
  const std::string xml = testing::SampleMac::writeFile(tmp.path() + "/a.plist", testing::writeXMLPlist(definition));
  const auto bytes = testing::writeBinaryPlist(definition);
  const std::string binary = testing::SampleMac::writeFile(tmp.path() + "/b.plist", {bytes.begin(), bytes.end()});
  const std::string array = tmp.path() + "/c.plist";
  testing::SampleMac::writeFile(array, testing::writeXMLPlist(PlistArray{"x"}));
  const std::string garbage = tmp.path() + "/d.plist";
  testing::SampleMac::writeFile(garbage, "not a plist");
  EXPECT_EQ(BackgroundServiceRestorer::readPlistFromDisk(xml), definition);
  EXPECT_EQ(BackgroundServiceRestorer::readPlistFromDisk(binary), definition);
  for (const auto& path : {array, garbage, tmp.path() + "/missing.plist", tmp.path()})
    EXPECT_EQ(BackgroundServiceRestorer::readPlistFromDisk(path), std::nullopt) << path;
}

}  // namespace
}  // namespace corvane
