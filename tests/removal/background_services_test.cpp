// Pausing an app's launchd services before a removal, and turning off a single background item, with a
// recording stand-in for launchctl and with a real program in its place.

#include <gtest/gtest.h>

#include <filesystem>

#include "corvane/removal/background_item_neutralizer.h"
#include "corvane/removal/background_service_controller.h"
#include "removal/recording_runner.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::RecordingRunner;
using testing::SampleMac;
using Lines = std::vector<std::string>;

const std::string kClosing =
    "macOS keeps a small entry only you can remove, in System Settings > General > Login Items & Extensions.";

BackgroundServiceOperation operation(const BackgroundServiceOperation& actual, std::string label, bool wasRegistered,
                                     bool paused, std::optional<std::string> error) {
  return {actual.id, std::move(label), wasRegistered, paused, std::move(error)};
}

TEST(BackgroundServiceController, NothingRunsForAnEmptyListOrALabelLaunchdWouldNotAccept) {
  auto runner = std::make_shared<RecordingRunner>();
  runner->otherwise = {0, ""};  // launchctl would say yes to anything
  BackgroundServiceController controller(runner, 501);
  EXPECT_TRUE(controller.pauseRegisteredUserServices({}).empty());
  EXPECT_TRUE(controller.registeredUserServices({}).empty());

  auto ops = controller.pauseRegisteredUserServices({"-h", "com.example/../x", "two words", ""});
  ASSERT_EQ(ops.size(), 4u);
  for (const auto& op : ops) {
    SCOPED_TRACE(op.serviceIdentifier);
    EXPECT_EQ(op, operation(op, op.serviceIdentifier, false, false,
                            "Its identifier is not a valid launchd label, so it was left alone."));
  }
  EXPECT_TRUE(runner->log->empty());
}

struct Sweep {
  Lines labels;
  Lines answer;
  BackgroundItemNeutralizer::TrashLeftovers function() {
    return [this](const std::string& label) {
      labels.push_back(label);
      return answer;
    };
  }
};

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
  EXPECT_TRUE(runner->log->empty());
  EXPECT_TRUE(sweep.labels.empty());

  // 256 characters is the longest label accepted.
  std::string longest = "a" + std::string(255, 'b');
  EXPECT_FALSE(neutralizer.neutralize(longest).refused);
  EXPECT_EQ(runner->executables, Lines(3, "/bin/launchctl"));
  EXPECT_EQ(sweep.labels, Lines{longest});
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
                                            Lines(c.trashed, "/p"), c.name);
    EXPECT_EQ(outcome.message(), c.expected);
  }
}

TEST(BackgroundItemNeutralizer, SweepsThePreferencesAndLaunchAgentFilesOfTheLabel) {
  testing::TemporaryFolder tmp;
  SampleMac mac(tmp.path());
  Layout layout = Layout::at(mac.root(), mac.home());
  const std::string prefs = mac.user("Library/Preferences/com.example.sync.agent.plist");
  const std::string agent = mac.user("Library/LaunchAgents/com.example.sync.agent.plist");
  const std::string other = mac.user("Library/Preferences/com.example.sync.plist");
  for (const auto& p : {prefs, agent, other}) SampleMac::writeFile(p);
  // Something already in the Trash under the same name is never replaced.
  SampleMac::writeFile(layout.userTrash() + "/com.example.sync.agent.plist", "older");

  auto sweep = BackgroundItemNeutralizer::userLeftovers(layout);
  EXPECT_EQ(sweep("com.example.sync.agent"), (Lines{prefs, agent}));
  EXPECT_FALSE(fs::exists(prefs));
  EXPECT_FALSE(fs::exists(agent));
  EXPECT_TRUE(fs::exists(other));
  EXPECT_EQ(SampleMac::entryNames(layout.userTrash()),
            (std::set<std::string>{"com.example.sync.agent.plist", "com.example.sync.agent 2.plist",
                                   "com.example.sync.agent 3.plist"}));
  EXPECT_EQ(SampleMac::readFile(layout.userTrash() + "/com.example.sync.agent.plist"), "older");

  // Nothing left: nothing moved. A label that could leave the folder is never turned into a path.
  EXPECT_TRUE(sweep("com.example.sync.agent").empty());
  SampleMac::writeFile(mac.user("Library/secret.plist"));
  EXPECT_TRUE(BackgroundItemNeutralizer::trashUserLeftovers("../secret", layout).empty());
  EXPECT_TRUE(fs::exists(mac.user("Library/secret.plist")));
}

// A real program standing in for launchctl: it logs its arguments, knows three services, turns off
// anything, and refuses to unload two of them, one with a message on its error stream.
class LaunchctlScriptTest : public ::testing::Test {
 protected:
  testing::TemporaryFolder tmp;
  std::string log = tmp.path() + "/calls.log";
  std::string script = tmp.path() + "/launchctl";

  void SetUp() override {
    SampleMac::writeFile(script,
                         "#!/bin/sh\n"
                         "echo \"$# $1 $2\" >> '" + log + "'\n"
                         "case \"$1 $2\" in\n"
                         "  'print gui/501/com.example.loaded'|'bootout gui/501/com.example.loaded') exit 0 ;;\n"
                         "  'disable '*) exit 0 ;;\n"
                         "  'print gui/501/com.example.stuck'|'print gui/501/com.example.silent') exit 0 ;;\n"
                         "  'bootout gui/501/com.example.stuck')\n"
                         "    echo '  Boot-out failed: 37: Operation already in progress  ' >&2; exit 37 ;;\n"
                         "  'bootout gui/501/com.example.silent') exit 3 ;;\n"
                         "esac\n"
                         "exit 113\n");
    fs::permissions(script, fs::perms::owner_all);
  }
};

TEST_F(LaunchctlScriptTest, PausesOnlyWhatLaunchdKnowsAndExplainsFailedBootouts) {
  BackgroundServiceController controller(std::make_shared<CommandRunner>(), 501, script);
  auto ops = controller.pauseRegisteredUserServices(
      {"com.example.loaded", "com.example.absent", "com.example.stuck", "com.example.silent"});
  ASSERT_EQ(ops.size(), 4u);
  EXPECT_EQ(ops[0], operation(ops[0], "com.example.loaded", true, true, std::nullopt));
  // The runner trims what the tool printed.
  EXPECT_EQ(ops[2], operation(ops[2], "com.example.stuck", true, false,
                              "Boot-out failed: 37: Operation already in progress"));
  EXPECT_EQ(ops[3], operation(ops[3], "com.example.silent", true, false, "launchctl exited with status 3."));
  // Unknown services get no bootout or disable; a failed bootout is still followed by disable.
  EXPECT_EQ(ops[1], operation(ops[1], "com.example.absent", false, false, std::nullopt));
  EXPECT_EQ(SampleMac::readFile(log),
            "2 print gui/501/com.example.loaded\n"
            "2 bootout gui/501/com.example.loaded\n"
            "2 disable gui/501/com.example.loaded\n"
            "2 print gui/501/com.example.absent\n"
            "2 print gui/501/com.example.stuck\n"
            "2 bootout gui/501/com.example.stuck\n"
            "2 disable gui/501/com.example.stuck\n"
            "2 print gui/501/com.example.silent\n"
            "2 bootout gui/501/com.example.silent\n"
            "2 disable gui/501/com.example.silent\n");
  EXPECT_EQ(controller.registeredUserServices({"com.example.stuck", "com.example.absent", "com.example.loaded"}),
            (Lines{"com.example.stuck", "com.example.loaded"}));
}

}  // namespace
}  // namespace corvane
