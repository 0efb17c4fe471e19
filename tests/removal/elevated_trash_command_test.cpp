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

TEST(ElevatedTrashCommandTest, CommandChainsEveryMoveWithItsOwnership) {
  EXPECT_EQ(ElevatedTrashCommand::command({}, 501, 20), "");
  EXPECT_EQ(ElevatedTrashCommand::command({{"/Applications/Tool.app", "/Users/me/.Trash/Tool.app"}}, 501, 20),
            "/bin/mv -n -- '/Applications/Tool.app' '/Users/me/.Trash/Tool.app'"
            " && /usr/sbin/chown -R -- 501:20 '/Users/me/.Trash/Tool.app'");
  EXPECT_EQ(ElevatedTrashCommand::command({{"/Applications/A's.app", "/T/A's.app"},
                                           {"/Applications/Utilities/-B.app", "/T/-B 2.app"}},
                                          4294967295u, 0),
            "/bin/mv -n -- '/Applications/A'\\''s.app' '/T/A'\\''s.app'"
            " && /usr/sbin/chown -R -- 4294967295:0 '/T/A'\\''s.app'"
            " && /bin/mv -n -- '/Applications/Utilities/-B.app' '/T/-B 2.app'"
            " && /usr/sbin/chown -R -- 4294967295:0 '/T/-B 2.app'");
}

TEST(ElevatedTrashCommandTest, ScriptWrapsTheCommandForTheAdministratorPrompt) {
  std::string command =
      ElevatedTrashCommand::command({{"/Applications/Say \"Hi\".app", "/T/Back\\slash.app"}}, 501, 20);
  EXPECT_EQ(ElevatedTrashCommand::appleScriptSource(command),
            "do shell script \"/bin/mv -n -- '/Applications/Say \\\"Hi\\\".app' '/T/Back\\\\slash.app'"
            " && /usr/sbin/chown -R -- 501:20 '/T/Back\\\\slash.app'\" with administrator privileges");
}

}  // namespace
}  // namespace corvane
