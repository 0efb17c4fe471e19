#include "corvane/elevated_trash_command.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(ElevatedTrashCommandTest, ShellQuoteMakesOneSingleQuotedWord) {
  EXPECT_EQ(ElevatedTrashCommand::shellQuote(""), "''");
  EXPECT_EQ(ElevatedTrashCommand::shellQuote("/Applications/Tool.app"), "'/Applications/Tool.app'");
  EXPECT_EQ(ElevatedTrashCommand::shellQuote("It's"), "'It'\\''s'");
  EXPECT_EQ(ElevatedTrashCommand::shellQuote("''"), "''\\'''\\'''");
  EXPECT_EQ(ElevatedTrashCommand::shellQuote("$(rm -rf /) `x` \"q\" \\ \n"), "'$(rm -rf /) `x` \"q\" \\ \n'");
}

TEST(ElevatedTrashCommandTest, AppleScriptLiteralEscapesBackslashesThenQuotes) {
  EXPECT_EQ(ElevatedTrashCommand::appleScriptStringLiteral(""), "\"\"");
  EXPECT_EQ(ElevatedTrashCommand::appleScriptStringLiteral("a\\b\"c'd"), "\"a\\\\b\\\"c'd\"");
  EXPECT_EQ(ElevatedTrashCommand::appleScriptStringLiteral("\\\""), "\"\\\\\\\"\"");
}

TEST(ElevatedTrashCommandTest, CommandStagesEveryMoveInAFreshFolderAndHandsItOver) {
  EXPECT_EQ(ElevatedTrashCommand::command({}, 501, 20), "");
  EXPECT_EQ(ElevatedTrashCommand::command({{"/Applications/Tool.app", "/Users/me/.Trash/Tool.app-moving-1"}}, 501, 20),
            "/bin/mkdir -m 700 -- '/Users/me/.Trash/Tool.app-moving-1'"
            " && /bin/mv -n -- '/Applications/Tool.app' '/Users/me/.Trash/Tool.app-moving-1/Tool.app'"
            " && /usr/sbin/chown -R -- 501:20 '/Users/me/.Trash/Tool.app-moving-1'");
  EXPECT_EQ(ElevatedTrashCommand::command({{"/Applications/A's.app", "/T/A's.app-m"},
                                           {"/Applications/Utilities/-B.app", "/T/-B 2.app-m"}},
                                          4294967295u, 0),
            "/bin/mkdir -m 700 -- '/T/A'\\''s.app-m'"
            " && /bin/mv -n -- '/Applications/A'\\''s.app' '/T/A'\\''s.app-m/A'\\''s.app'"
            " && /usr/sbin/chown -R -- 4294967295:0 '/T/A'\\''s.app-m'"
            " && /bin/mkdir -m 700 -- '/T/-B 2.app-m'"
            " && /bin/mv -n -- '/Applications/Utilities/-B.app' '/T/-B 2.app-m/-B.app'"
            " && /usr/sbin/chown -R -- 4294967295:0 '/T/-B 2.app-m'");
}

TEST(ElevatedTrashCommandTest, ScriptWrapsTheCommandForTheAdministratorPrompt) {
  std::string command = ElevatedTrashCommand::command({{"/Applications/Say \"Hi\".app", "/T/Back\\slash"}}, 501, 20);
  EXPECT_EQ(ElevatedTrashCommand::appleScriptSource(command),
            "do shell script \"/bin/mkdir -m 700 -- '/T/Back\\\\slash'"
            " && /bin/mv -n -- '/Applications/Say \\\"Hi\\\".app' '/T/Back\\\\slash/Say \\\"Hi\\\".app'"
            " && /usr/sbin/chown -R -- 501:20 '/T/Back\\\\slash'\" with administrator privileges");
}

}  // namespace
}  // namespace corvane
