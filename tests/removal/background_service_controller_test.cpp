#include "corvane/background_service_controller.h"

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

BackgroundServiceOperation operation(const BackgroundServiceOperation& actual, std::string label, bool wasRegistered,
                                     bool paused, std::optional<std::string> error) {
  return {actual.id, std::move(label), wasRegistered, paused, std::move(error)};
}

TEST(BackgroundServiceController, RegisteredServicesAreThoseLaunchdPrints) {
  auto runner = std::make_shared<RecordingRunner>();
  runner->answers["print gui/501/com.example.agent"] = {0, "com.example.agent = { ... }"};
  runner->answers["print gui/501/com.example.login"] = {0, ""};
  BackgroundServiceController controller(runner, 501);

  EXPECT_EQ(controller.registeredUserServices({"com.example.agent", "com.example.gone", "com.example.login"}),
            (std::vector<std::string>{"com.example.agent", "com.example.login"}));
  EXPECT_EQ(runner->lines(), (std::vector<std::string>{"print gui/501/com.example.agent",
                                                       "print gui/501/com.example.gone",
                                                       "print gui/501/com.example.login"}));
  EXPECT_EQ(runner->executables, std::vector<std::string>(3, "/bin/launchctl"));
  for (const auto& call : runner->calls) EXPECT_EQ(call.size(), 2u);
}

TEST(BackgroundServiceController, PausesOnlyWhatLaunchdKnowsAndExplainsFailedBootouts) {
  auto runner = std::make_shared<RecordingRunner>();
  runner->answers["print gui/7/com.example.agent"] = {0, ""};
  runner->answers["bootout gui/7/com.example.agent"] = {0, ""};
  runner->answers["print gui/7/com.example.stuck"] = {0, ""};
  runner->answers["bootout gui/7/com.example.stuck"] = {5, "Boot-out failed: 5: Input/output error"};
  runner->answers["print gui/7/com.example.silent"] = {0, ""};
  runner->answers["bootout gui/7/com.example.silent"] = {3, ""};
  BackgroundServiceController controller(runner, 7, "/opt/tools/launchctl");

  auto ops = controller.pauseRegisteredUserServices(
      {"com.example.agent", "com.example.unknown", "com.example.stuck", "com.example.silent"});
  ASSERT_EQ(ops.size(), 4u);
  EXPECT_EQ(ops[0], operation(ops[0], "com.example.agent", true, true, std::nullopt));
  EXPECT_EQ(ops[1], operation(ops[1], "com.example.unknown", false, false, std::nullopt));
  EXPECT_EQ(ops[2], operation(ops[2], "com.example.stuck", true, false, "Boot-out failed: 5: Input/output error"));
  EXPECT_EQ(ops[3], operation(ops[3], "com.example.silent", true, false, "launchctl exited with status 3."));
  EXPECT_NE(ops[0].id, ops[2].id);

  // Unknown services get no bootout or disable; a failed bootout is still followed by disable.
  EXPECT_EQ(runner->lines(), (std::vector<std::string>{
                                 "print gui/7/com.example.agent", "bootout gui/7/com.example.agent",
                                 "disable gui/7/com.example.agent", "print gui/7/com.example.unknown",
                                 "print gui/7/com.example.stuck", "bootout gui/7/com.example.stuck",
                                 "disable gui/7/com.example.stuck", "print gui/7/com.example.silent",
                                 "bootout gui/7/com.example.silent", "disable gui/7/com.example.silent"}));
  EXPECT_EQ(runner->executables, std::vector<std::string>(10, "/opt/tools/launchctl"));
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
    EXPECT_FALSE(op.wasRegistered);
    EXPECT_FALSE(op.paused);
    EXPECT_EQ(op.errorDescription, "Its identifier is not a valid launchd label, so it was left alone.");
  }
  EXPECT_TRUE(runner->calls.empty());
}

TEST(BackgroundServiceController, ATargetNamesTheUsersGraphicalDomain) {
  EXPECT_EQ(launchdUserTarget(501, "com.example.agent"), "gui/501/com.example.agent");
  EXPECT_EQ(launchdUserTarget(0, "a"), "gui/0/a");
}

// A real program standing in for launchctl: it logs its arguments, knows two services, and refuses to
// unload one of them with a message on its error stream.
class LaunchctlScriptTest : public ::testing::Test {
 protected:
  testing::TemporaryFolder tmp;
  std::string log = tmp.path() + "/calls.log";
  std::string script = tmp.path() + "/launchctl";

  void SetUp() override {
    testing::SampleMac::writeFile(script,
                                  "#!/bin/sh\n"
                                  "echo \"$# $1 $2\" >> '" + log + "'\n"
                                  "case \"$1 $2\" in\n"
                                  "  'print gui/501/com.example.loaded'|'bootout gui/501/com.example.loaded') exit 0 ;;\n"
                                  "  'print gui/501/com.example.stuck') echo 'state = running'; exit 0 ;;\n"
                                  "  'bootout gui/501/com.example.stuck')\n"
                                  "    echo '  Boot-out failed: 37: Operation already in progress  ' >&2; exit 37 ;;\n"
                                  "esac\n"
                                  "exit 113\n");
    fs::permissions(script, fs::perms::owner_all);
  }

  std::string calls() const {
    std::ifstream in(log);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

TEST_F(LaunchctlScriptTest, PausesThroughARealProgram) {
  BackgroundServiceController controller(std::make_shared<CommandRunner>(), 501, script);
  auto ops = controller.pauseRegisteredUserServices({"com.example.loaded", "com.example.absent", "com.example.stuck"});
  ASSERT_EQ(ops.size(), 3u);
  EXPECT_EQ(ops[0], operation(ops[0], "com.example.loaded", true, true, std::nullopt));
  EXPECT_EQ(ops[1], operation(ops[1], "com.example.absent", false, false, std::nullopt));
  // The runner trims what the tool printed.
  EXPECT_EQ(ops[2], operation(ops[2], "com.example.stuck", true, false,
                              "Boot-out failed: 37: Operation already in progress"));
  EXPECT_EQ(calls(),
            "2 print gui/501/com.example.loaded\n"
            "2 bootout gui/501/com.example.loaded\n"
            "2 disable gui/501/com.example.loaded\n"
            "2 print gui/501/com.example.absent\n"
            "2 print gui/501/com.example.stuck\n"
            "2 bootout gui/501/com.example.stuck\n"
            "2 disable gui/501/com.example.stuck\n");
  EXPECT_EQ(controller.registeredUserServices({"com.example.stuck", "com.example.absent", "com.example.loaded"}),
            (std::vector<std::string>{"com.example.stuck", "com.example.loaded"}));
}

TEST_F(LaunchctlScriptTest, AMissingToolMeansNothingIsRegistered) {
  // Where there is no launchctl every run fails to launch, which reads as "launchd does not know it".
  BackgroundServiceController controller(std::make_shared<CommandRunner>(), 501, tmp.path() + "/no-such-tool");
  auto ops = controller.pauseRegisteredUserServices({"com.example.loaded"});
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_EQ(ops[0], operation(ops[0], "com.example.loaded", false, false, std::nullopt));
  EXPECT_TRUE(controller.registeredUserServices({"com.example.loaded"}).empty());
  EXPECT_FALSE(fs::exists(log));
}

}  // namespace
}  // namespace corvane
