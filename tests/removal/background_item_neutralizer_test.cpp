#include "corvane/background_item_neutralizer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "removal/recording_runner.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::RecordingRunner;

const std::string kClosing =
    "macOS keeps a small entry only you can remove, in System Settings > General > Login Items & Extensions.";

struct Sweep {
  std::vector<std::string> labels;
  std::vector<std::string> answer;
  BackgroundItemNeutralizer::TrashLeftovers function() {
    return [this](const std::string& label) {
      labels.push_back(label);
      return answer;
    };
  }
};

TEST(BackgroundItemNeutralizer, DisablesThenUnloadsAKnownServiceThenSweeps) {
  auto runner = std::make_shared<RecordingRunner>();
  runner->answers["print gui/501/com.example.sync.agent"] = {0, ""};
  runner->answers["disable gui/501/com.example.sync.agent"] = {0, ""};
  runner->answers["bootout gui/501/com.example.sync.agent"] = {0, ""};
  Sweep sweep;
  sweep.answer = {"/Users/me/Library/Preferences/com.example.sync.agent.plist",
                  "/Users/me/Library/LaunchAgents/com.example.sync.agent.plist"};
  BackgroundItemNeutralizer neutralizer(runner, 501, sweep.function());

  auto outcome = neutralizer.neutralize("com.example.sync.agent", "Example Sync");
  EXPECT_EQ(outcome, BackgroundItemNeutralizeOutcome("com.example.sync.agent", false, true, true, true, sweep.answer,
                                                     "Example Sync"));
  EXPECT_EQ(runner->lines(), (std::vector<std::string>{"print gui/501/com.example.sync.agent",
                                                       "disable gui/501/com.example.sync.agent",
                                                       "bootout gui/501/com.example.sync.agent"}));
  EXPECT_EQ(runner->executables, std::vector<std::string>(3, "/bin/launchctl"));
  EXPECT_EQ(sweep.labels, std::vector<std::string>{"com.example.sync.agent"});
  EXPECT_EQ(outcome.message(),
            "Stopped and turned off \"Example Sync\", so it can no longer run at login. "
            "Moved 2 leftover files to the Trash (recoverable). " + kClosing);
}

TEST(BackgroundItemNeutralizer, AnUnknownServiceIsStillDisabledAndSwept) {
  auto runner = std::make_shared<RecordingRunner>();
  runner->answers["disable gui/20/com.example.gone"] = {0, ""};
  Sweep sweep;
  sweep.answer = {"/Users/me/Library/Preferences/com.example.gone.plist"};
  BackgroundItemNeutralizer neutralizer(runner, 20, sweep.function(), "/opt/launchctl");

  auto outcome = neutralizer.neutralize("com.example.gone");
  EXPECT_EQ(outcome,
            BackgroundItemNeutralizeOutcome("com.example.gone", false, false, false, true, sweep.answer, std::nullopt));
  EXPECT_EQ(runner->lines(),
            (std::vector<std::string>{"print gui/20/com.example.gone", "disable gui/20/com.example.gone"}));
  EXPECT_EQ(runner->executables, std::vector<std::string>(2, "/opt/launchctl"));
  EXPECT_EQ(outcome.message(),
            "Turned off this item, so it can no longer run at login. "
            "Moved its leftover settings file to the Trash (recoverable). " + kClosing);
}

TEST(BackgroundItemNeutralizer, RefusesAnInvalidLabelBeforeAnythingRuns) {
  auto runner = std::make_shared<RecordingRunner>();
  runner->otherwise = {0, ""};
  Sweep sweep;
  BackgroundItemNeutralizer neutralizer(runner, 501, sweep.function());
  for (std::string label : {std::string("-rf"), std::string("com.example/../evil"), std::string("two words"),
                            std::string(""), std::string(".hidden"), "a" + std::string(256, 'b')}) {
    SCOPED_TRACE(label);
    auto outcome = neutralizer.neutralize(label, "Name");
    EXPECT_EQ(outcome, BackgroundItemNeutralizeOutcome(label, true, false, false, false, {}, "Name"));
    EXPECT_EQ(outcome.message(), "Couldn't turn this item off: its identifier is not a valid launchd label.");
  }
  EXPECT_TRUE(runner->calls.empty());
  EXPECT_TRUE(sweep.labels.empty());

  // 256 characters is the longest label accepted.
  std::string longest = "a" + std::string(255, 'b');
  EXPECT_FALSE(neutralizer.neutralize(longest).refused);
  EXPECT_EQ(runner->calls.size(), 3u);
  EXPECT_EQ(sweep.labels, std::vector<std::string>{longest});
}

TEST(BackgroundItemNeutralizer, MessageWording) {
  struct Case {
    bool wasRunning, stopped, disabled;
    std::size_t trashed;
    std::optional<std::string> name;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {true, true, true, 0, "Drop", "Stopped and turned off \"Drop\", so it can no longer run at login. " + kClosing},
      {true, false, true, 0, "Drop", "Turned off \"Drop\", so it can no longer run at login. " + kClosing},
      {false, false, true, 3, std::nullopt,
       "Turned off this item, so it can no longer run at login. "
       "Moved 3 leftover files to the Trash (recoverable). " + kClosing},
      {true, true, false, 1, "Drop",
       "Tried to turn \"Drop\" off, but launchd did not confirm the change. "
       "Moved its leftover settings file to the Trash (recoverable). " + kClosing},
      {false, false, false, 0, std::nullopt,
       "Tried to turn this item off, but launchd did not confirm the change. " + kClosing},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    BackgroundItemNeutralizeOutcome outcome("x", false, c.wasRunning, c.stopped, c.disabled,
                                            std::vector<std::string>(c.trashed, "/p"), c.name);
    EXPECT_EQ(outcome.message(), c.expected);
  }
}

TEST(BackgroundItemNeutralizer, SweepsThePreferencesAndLaunchAgentFilesOfTheLabel) {
  testing::TemporaryFolder tmp;
  testing::SampleMac mac(tmp.path());
  Layout layout = Layout::at(mac.root(), mac.home());
  const std::string prefs = mac.user("Library/Preferences/com.example.sync.agent.plist");
  const std::string agent = mac.user("Library/LaunchAgents/com.example.sync.agent.plist");
  const std::string other = mac.user("Library/Preferences/com.example.sync.plist");
  for (const auto& p : {prefs, agent, other}) testing::SampleMac::writeFile(p);
  // Something already in the Trash under the same name is never replaced.
  testing::SampleMac::writeFile(layout.userTrash() + "/com.example.sync.agent.plist", "older");

  auto sweep = BackgroundItemNeutralizer::userLeftovers(layout);
  EXPECT_EQ(sweep("com.example.sync.agent"), (std::vector<std::string>{prefs, agent}));
  EXPECT_FALSE(fs::exists(prefs));
  EXPECT_FALSE(fs::exists(agent));
  EXPECT_TRUE(fs::exists(other));
  EXPECT_TRUE(fs::exists(layout.userTrash() + "/com.example.sync.agent 2.plist"));
  EXPECT_TRUE(fs::exists(layout.userTrash() + "/com.example.sync.agent 3.plist"));

  // Nothing left: nothing moved. A label that could leave the folder is never turned into a path.
  EXPECT_TRUE(sweep("com.example.sync.agent").empty());
  testing::SampleMac::writeFile(mac.user("Library/secret.plist"));
  EXPECT_TRUE(BackgroundItemNeutralizer::trashUserLeftovers("../secret", layout).empty());
  EXPECT_TRUE(fs::exists(mac.user("Library/secret.plist")));
}

TEST(BackgroundItemNeutralizer, WorksWithARealProgramStandingInForLaunchctl) {
  testing::TemporaryFolder tmp;
  const std::string log = tmp.path() + "/calls.log";
  const std::string script = testing::SampleMac::writeFile(
      tmp.path() + "/launchctl",
      "#!/bin/sh\necho \"$1 $2\" >> '" + log + "'\n"
      "case \"$1\" in print) exit 0 ;; disable) exit 0 ;; bootout) echo 'busy' >&2; exit 5 ;; esac\nexit 1\n");
  fs::permissions(script, fs::perms::owner_all);
  BackgroundItemNeutralizer neutralizer(std::make_shared<CommandRunner>(), 501,
                                        [](const std::string&) { return std::vector<std::string>{}; }, script);
  auto outcome = neutralizer.neutralize("com.example.helper", "Helper");
  EXPECT_EQ(outcome, BackgroundItemNeutralizeOutcome("com.example.helper", false, true, false, true, {}, "Helper"));
  EXPECT_EQ(outcome.message(), "Turned off \"Helper\", so it can no longer run at login. " + kClosing);
  std::ifstream in(log);
  std::string calls(std::istreambuf_iterator<char>(in), {});
  EXPECT_EQ(calls,
            "print gui/501/com.example.helper\ndisable gui/501/com.example.helper\nbootout gui/501/com.example.helper\n");
}

}  // namespace
}  // namespace corvane
