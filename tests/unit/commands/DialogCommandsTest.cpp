#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/CommandRunner.h"

namespace quarrix {
namespace {

using platform::sim::ParseDialogAnswer;
using testing::CommandRunner;

std::string Script(const std::string& lines) { return "#quarrix-script 1\n[script]\n" + lines; }

// Parameters: 1 dialog, 2 result, 3 modal, 4 skip variable, 5 unused, 6 skip value.
constexpr const char* kModalWelcome = "Display Dialog: Welcome WIZARD TRUE \"\" \"\" \"\"\n";

TEST(DialogCommands, ModalDialogWritesTheScriptedAnswer) {
  struct Case {
    const char* answer;
    std::string expected;
    int code;
  };
  for (const Case& c : {Case{"", "NEXT", 6}, Case{"NEXT", "NEXT", 6}, Case{"back", "BACK", 7},
                        Case{"CANCEL", "CANCEL", 2}, Case{"Retry", "RETRY", 8}}) {
    SCOPED_TRACE(c.answer);
    CommandRunner runner(Script(std::string("Comment: x\n") + kModalWelcome));
    if (auto answer = ParseDialogAnswer(c.answer)) runner.temp.machine.ui.dialogAnswers.push_back(*answer);
    runner.session.variables.SetVariable("WINDOWHANDLE", "77", "Test");
    runner.session.variables.SetVariable("VELD_IsCancelled", "TRUE", "Test");
    runner.RunLine(1);
    EXPECT_EQ(runner.Var("VELD_IsCancelled"), "FALSE");
    EXPECT_EQ(runner.Var("WIZARD"), c.expected);
    EXPECT_EQ(runner.run.lastDialogResult, c.code);
    EXPECT_EQ(runner.Var("WINDOWHANDLE"), "0");
    ASSERT_EQ(runner.temp.machine.ui.dialogs.size(), 1u);
    EXPECT_EQ(runner.temp.machine.ui.dialogs[0].key, "1");
    EXPECT_EQ(runner.temp.machine.ui.dialogs[0].dialogName, "Welcome");
    EXPECT_TRUE(runner.temp.machine.ui.dialogs[0].modal);
  }
}

TEST(DialogCommands, SilentRunsShowNothingAndAnswerNext) {
  CommandRunner runner(Script(std::string(kModalWelcome) + "Display Dialog: Progress STATE FALSE \"\" \"\" \"\"\n"));
  runner.session.silent = true;
  runner.temp.machine.ui.dialogAnswers.push_back(*ParseDialogAnswer("CANCEL"));
  runner.session.variables.SetVariable("VELD_IsCancelled", "TRUE", "Test");
  runner.RunLine(0);
  EXPECT_EQ(runner.Var("WIZARD"), "NEXT");
  EXPECT_EQ(runner.run.lastDialogResult, 6);
  EXPECT_EQ(runner.Var("VELD_IsCancelled"), "FALSE");
  runner.RunLine(1);
  EXPECT_EQ(runner.Var("STATE"), "NOTMODAL");
  // No window stands behind a progress page that was never shown.
  EXPECT_EQ(runner.Var("WINDOWHANDLE"), "0");
  EXPECT_EQ(runner.run.progressWindowHandle, 0u);
  EXPECT_TRUE(runner.temp.machine.ui.dialogs.empty());
}

TEST(DialogCommands, DialogShownWithoutWaitingBecomesTheProgressWindowUntilHidden) {
  CommandRunner runner(Script("Display Dialog: Progress STATE FALSE \"\" \"\" \"\"\nHide Dialog\n"));
  runner.temp.machine.ui.dialogAnswers.push_back(*ParseDialogAnswer("BACK"));  // not consumed
  runner.RunLine(0);
  EXPECT_EQ(runner.Var("STATE"), "NOTMODAL");
  EXPECT_EQ(runner.run.lastDialogResult, 0);
  ASSERT_NE(runner.run.progressWindowHandle, 0u);
  EXPECT_EQ(runner.Var("WINDOWHANDLE"), std::to_string(runner.run.progressWindowHandle));
  EXPECT_TRUE(runner.temp.machine.ui.dialogShownWithoutWaiting);
  EXPECT_EQ(runner.temp.machine.ui.dialogAnswers.size(), 1u);

  runner.RunLine(1);
  EXPECT_EQ(runner.Var("WINDOWHANDLE"), "0");
  EXPECT_EQ(runner.run.progressWindowHandle, 0u);
  EXPECT_FALSE(runner.temp.machine.ui.dialogShownWithoutWaiting);
}

TEST(DialogCommands, InsideAWizardLoopEveryDialogWaits) {
  CommandRunner runner(Script("Display Dialog: Welcome WIZARD FALSE \"\" \"\" \"\"\n"));
  runner.run.wizardLoopActive = true;
  runner.temp.machine.ui.dialogAnswers.push_back(*ParseDialogAnswer("BACK"));
  runner.RunLine(0);
  EXPECT_EQ(runner.Var("WIZARD"), "BACK");
  EXPECT_EQ(runner.run.lastDialogResult, 7);
  EXPECT_TRUE(runner.temp.machine.ui.dialogs.at(0).modal);
}

TEST(DialogCommands, SkipVariableMatchingTheSkipValueSkipsTheDialog) {
  struct Case {
    const char* skipVariable;
    const char* variableValue;
    const char* skipValue;
    bool shown;
  };
  for (const Case& c : {Case{"SKIPIT", "TRUE", "TRUE", false}, Case{"$SKIPIT$", "true", "-1", false},
                        Case{"SKIPIT", "FALSE", "FALSE", false}, Case{"SKIPIT", "", "FALSE", false},
                        Case{"SKIPIT", "TRUE", "FALSE", true}, Case{"$SKIPIT$", "no", "TRUE", true}}) {
    SCOPED_TRACE(std::string(c.skipVariable) + "=" + c.variableValue + " skip on " + c.skipValue);
    CommandRunner runner(Script(std::string("Display Dialog: Welcome WIZARD TRUE \"") + c.skipVariable +
                                "\" \"\" \"" + c.skipValue + "\"\n"));
    runner.session.variables.SetVariable("SKIPIT", c.variableValue, "Test");
    runner.run.lastDialogResult = 7;
    runner.RunLine(0);
    EXPECT_EQ(runner.temp.machine.ui.dialogs.size(), c.shown ? 1u : 0u);
    EXPECT_EQ(runner.Exists("WIZARD"), c.shown);
    EXPECT_EQ(runner.run.lastDialogResult, c.shown ? 6 : 0);
  }
}

TEST(DialogCommands, ResultParameterIsADeclaredResult) {
  CommandRunner runner(Script("Display Dialog: A \"\" TRUE \"\" \"\" \"\"\nDisplay Dialog: B $W$ TRUE \"\" \"\" \"\"\n"));
  runner.RunLine(0);
  // Only what every display writes, in the order it writes it.
  TVariableManager expected;
  expected.SetVariable("VELD_IsCancelled", "FALSE", "Test");
  expected.SetVariable("WINDOWHANDLE", "0", "Test");
  EXPECT_EQ(runner.session.variables.ExportVariables(), expected.ExportVariables());
  runner.RunLine(1);
  EXPECT_EQ(runner.Var("$W$"), "NEXT");
  EXPECT_FALSE(runner.Exists("W"));
}

}  // namespace
}  // namespace quarrix
