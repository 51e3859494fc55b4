#include "msi/InstallerMessageHandler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/VariableManager.h"
#include "engine/WorkerHandshake.h"
#include "platform/sim/SimUserInterface.h"

namespace quarrix {
namespace {

class InstallerMessageHandlerTest : public ::testing::Test {
 protected:
  InstallerMessageHandlerTest() {
    handler.caption = "Sample";
    handler.ownedByWindow = true;
    handler.progressMode.enter = [this](std::string_view mode) { modes.push_back(std::string(mode)); };
    handler.progressMode.restore = [this] { modes.push_back("restored"); };
    variables.StoreVariable(kThCancelled, "FALSE");
    reporter = [this](const std::string& text, int64_t position, int64_t total, int64_t minimum) {
      return ReportInstallerProgress(variables, text, position, total, minimum);
    };
  }

  int Send(uint32_t code, std::string_view text = {}) { return handler.Handle(code, text, &reporter); }
  int Progress(std::string_view fields) { return Send(kInstallMessageProgress, fields); }

  platform::sim::SimUserInterface ui;
  InstallerMessageHandler handler{ui};
  TVariableManager variables;
  InstallerProgressReporter reporter;
  std::vector<std::string> modes;
};

TEST(ProgressFieldsTest, ParsesUpToFourFieldsAndStopsAtTheFirstMalformedOne) {
  struct Case {
    const char* text;
    int64_t f1, f2, f3, f4;
  } cases[] = {
      {"1: 0 2: 1000 3: 0 4: 1", 0, 1000, 0, 1},
      {"1: 2 2: 10", 2, 10, 0, 0},
      {"1: 2 2: -5 3: 7", 2, 0, 0, 0},          // the sign ends the number and the parsing
      {"1: 3 2: 500 3: 1 4: 2 1: 9", 3, 500, 1, 2},  // a fifth field is never read
      {"4: 7 1: 8", 7, 8, 0, 0},                // the digit before the colon does not place a field
      {"1: 1 2: 25x3: 1", 1, 25, 1, 0},        // whatever ends a number is skipped as the blank is
      {"5: 1", 0, 0, 0, 0},
      {"1:2", 0, 0, 0, 0},
      {"1: ", 0, 0, 0, 0},
      {"1: 18446744073709551615", -1, 0, 0, 0},  // 64 bits kept as they come
  };
  for (const Case& c : cases) {
    ProgressFields fields = ParseProgressFields(c.text);
    EXPECT_EQ(fields.field[0], c.f1) << c.text;
    EXPECT_EQ(fields.field[1], c.f2) << c.text;
    EXPECT_EQ(fields.field[2], c.f3) << c.text;
    EXPECT_EQ(fields.field[3], c.f4) << c.text;
  }
}

TEST(ActionStartTextTest, KeepsWhatFollowsTheFirstPeriodAndOneCharacter) {
  EXPECT_EQ(ActionStartText("Action 12:00:01: InstallFiles. Copying new files"), "Copying new files");
  EXPECT_EQ(ActionStartText("Action 12:00:01: CostInitialize. Computing space. Please wait"),
            "Computing space. Please wait");
  EXPECT_EQ(ActionStartText("no period here"), "no period here");
  EXPECT_EQ(ActionStartText("ends."), "");
  EXPECT_EQ(ActionStartText("ends. "), "");
}

TEST_F(InstallerMessageHandlerTest, ResetReportsAndAddToTotalMoveTheBar) {
  Progress("1: 0 2: 1000 3: 0 4: 1");
  EXPECT_EQ(handler.Total(), 1000);
  EXPECT_EQ(handler.Position(), 0);
  EXPECT_EQ(handler.Direction(), 1);
  for (int i = 0; i < 10; ++i) Progress("1: 2 2: 10");
  EXPECT_EQ(handler.Position(), 100);
  Progress("1: 3 2: 500");
  EXPECT_EQ(handler.Total(), 1500);
  EXPECT_EQ(variables.GetVariable(kThProgress), "100");
  EXPECT_EQ(variables.GetVariable(kThMax), "1500");
  EXPECT_EQ(variables.GetVariable(kThMin), "0");
}

TEST_F(InstallerMessageHandlerTest, ResetWithoutATotalKeepsTheOldOneAndACountdownGoesNegative) {
  Progress("1: 0 2: 400 3: 0");
  Progress("1: 2 2: 50");
  Progress("1: 0 2: 0 3: 1");
  EXPECT_EQ(handler.Total(), 400);
  EXPECT_EQ(handler.Position(), 0);
  EXPECT_EQ(handler.Direction(), -1);
  Progress("1: 2 2: 30");
  EXPECT_EQ(handler.Position(), -30);
  // A reset whose third field is neither 0 nor 1 leaves the direction.
  Progress("1: 0 2: 10 3: 2");
  Progress("1: 2 2: 5");
  EXPECT_EQ(handler.Position(), -5);
}

TEST_F(InstallerMessageHandlerTest, ActionInfoSetsTheStepOfActionData) {
  Progress("1: 0 2: 1000 3: 0");
  Progress("1: 1 2: 25 3: 1");
  for (int i = 0; i < 3; ++i) Send(kInstallMessageActionData, "File: a.txt");
  EXPECT_EQ(handler.Position(), 75);
  EXPECT_EQ(handler.ActionText(), "File: a.txt");
  EXPECT_EQ(variables.GetVariable(kThProgressText), "File: a.txt");
  Progress("1: 1 2: 25 3: 0");
  Send(kInstallMessageActionData, "File: b.txt");
  EXPECT_EQ(handler.Position(), 75);
  // Any other third field leaves the step as it was.
  Progress("1: 1 2: 40 3: 5");
  EXPECT_EQ(handler.Step(), 0);
}

TEST_F(InstallerMessageHandlerTest, EmptyProgressTextChangesNothing) {
  Progress("1: 0 2: 200 3: 1");
  Progress("1: 2 2: 20");
  EXPECT_EQ(Progress(""), kMessageHandled);
  EXPECT_EQ(handler.Position(), -20);
  EXPECT_EQ(handler.Total(), 200);
  EXPECT_EQ(handler.Direction(), -1);
}

TEST_F(InstallerMessageHandlerTest, ActionStartChangesOnlyTheText) {
  Progress("1: 0 2: 300 3: 0");
  Progress("1: 2 2: 30");
  Send(kInstallMessageActionStart, "Action 10:11:12: InstallFiles. Copying new files");
  EXPECT_EQ(variables.GetVariable(kThProgressText), "Copying new files");
  EXPECT_EQ(variables.GetVariable(kThProgress), "30");
  EXPECT_EQ(variables.GetVariable(kThMax), "300");
}

// Every message type in a silent and an interactive run: the answer and the box, if any.
TEST_F(InstallerMessageHandlerTest, EveryMessageTypeAnswersAsItShould) {
  struct Case {
    uint32_t code;
    int silentResult;
    int interactiveResult;  // with the sim's default button of the style given
    const char* boxText;    // nullptr: no box
    uint32_t boxStyle;
    bool neutralLanguage;
    const char* modes;      // progress modes around the box
  } cases[] = {
      {kInstallMessageFatalExit | 0x0, 0, 1, "Fatal Error\r\rmessage", 0x10, false, "ERROR,restored"},
      {kInstallMessageError | 0x2, 1, 3, "Error\r\rmessage", 0x12, true, ""},
      {kInstallMessageWarning | 0x1, 1, 1, "Warning\r\rmessage", 0x31, false, "PAUSE,restored"},
      {kInstallMessageUser | 0x104, 1, 7, "message", 0x124, false, "PAUSE,restored"},
      {kInstallMessageInfo, 1, 1, nullptr, 0, false, ""},
      {kInstallMessageFilesInUse | 0x5, 1, 4, "Files in Use\r\rmessage", 0x35, false, "PAUSE,restored"},
      {kInstallMessageRmFilesInUse | 0x1, 1, 1, "Files in Use\r\rmessage", 0x31, false, "PAUSE,restored"},
      {kInstallMessageResolveSource, 0, 0, nullptr, 0, false, ""},
      {kInstallMessageOutOfDiskSpace | 0x5, 1, 4, "Out of Disk Space\r\rmessage", 0x15, false, "ERROR,restored"},
      {kInstallMessageActionStart, 1, 1, nullptr, 0, false, ""},
      {kInstallMessageActionData, 1, 1, nullptr, 0, false, ""},
      {kInstallMessageProgress, 1, 1, nullptr, 0, false, ""},
      {kInstallMessageCommonData, 1, 1, nullptr, 0, false, ""},
      {kInstallMessageInitialize, 1, 1, nullptr, 0, false, ""},
      {kInstallMessageTerminate, 1, 1, nullptr, 0, false, ""},
      {kInstallMessageShowDialog, 1, 1, nullptr, 0, false, ""},
      {0x0F000000, 0, 0, nullptr, 0, false, ""},
      {0x18000000, 0, 0, nullptr, 0, false, ""},
  };
  for (const Case& c : cases) {
    for (bool silent : {true, false}) {
      SCOPED_TRACE(::testing::Message() << std::hex << c.code << (silent ? " silent" : " interactive"));
      ui.shownStyled.clear();
      modes.clear();
      handler.silent = silent;
      const int result = Send(c.code, "message");
      EXPECT_EQ(result, silent ? c.silentResult : c.interactiveResult);
      if (silent || c.boxText == nullptr) {
        EXPECT_TRUE(ui.shownStyled.empty());
        EXPECT_TRUE(modes.empty());
        continue;
      }
      ASSERT_EQ(ui.shownStyled.size(), 1u);
      EXPECT_EQ(ui.shownStyled[0].text, c.boxText);
      EXPECT_EQ(ui.shownStyled[0].caption, "Sample");
      EXPECT_EQ(ui.shownStyled[0].style, c.boxStyle);
      EXPECT_TRUE(ui.shownStyled[0].ownedByWindow);
      EXPECT_EQ(ui.shownStyled[0].neutralLanguage, c.neutralLanguage);
      std::string seen;
      for (const std::string& mode : modes) seen += (seen.empty() ? "" : ",") + mode;
      EXPECT_EQ(seen, c.modes);
    }
  }
}

TEST_F(InstallerMessageHandlerTest, ThePressedButtonIsTheAnswer) {
  ui.styledAnswers = {5};  // IDIGNORE
  EXPECT_EQ(Send(kInstallMessageError | 0x2, "Could not write"), 5);
}

TEST_F(InstallerMessageHandlerTest, FatalExitAndErrorAreKeptAsTheLastMessageSilentOrNot) {
  handler.silent = true;
  EXPECT_EQ(Send(kInstallMessageFatalExit, "fatal text"), 0);
  EXPECT_EQ(handler.LastMessage(), "fatal text");
  handler.silent = false;
  Send(kInstallMessageError, "error text");
  EXPECT_EQ(handler.LastMessage(), "error text");
  Send(kInstallMessageWarning, "warning text");
  EXPECT_EQ(handler.LastMessage(), "error text");
  handler.ClearLastMessage();
  EXPECT_EQ(handler.LastMessage(), "");
}

TEST_F(InstallerMessageHandlerTest, ACancelledRunAnswersEveryMessageWithCancel) {
  variables.StoreVariable(kThCancelled, "TRUE");
  for (uint32_t code : {kInstallMessageInfo, kInstallMessageProgress, kInstallMessageActionStart,
                        kInstallMessageCommonData, kInstallMessageResolveSource, 0x1F000000u}) {
    EXPECT_EQ(Send(code, "x"), kMessageCancel) << std::hex << code;
  }
  // Any value but "FALSE" counts as cancelled.
  variables.StoreVariable(kThCancelled, "");
  EXPECT_EQ(Send(kInstallMessageInfo, "x"), kMessageCancel);
  variables.StoreVariable(kThCancelled, "FALSE");
  EXPECT_EQ(Send(kInstallMessageInfo, "x"), kMessageHandled);
}

TEST_F(InstallerMessageHandlerTest, WithoutAReporterNothingIsPublishedOrCancelled) {
  variables.StoreVariable(kThCancelled, "TRUE");
  EXPECT_EQ(handler.Handle(kInstallMessageProgress, "1: 0 2: 50 3: 0", nullptr), kMessageHandled);
  EXPECT_EQ(handler.Total(), 50);
  EXPECT_FALSE(variables.VariableExists(kThMax));
}

TEST_F(InstallerMessageHandlerTest, BoxHeadingsComeFromTheMessageTable) {
  handler.texts = {"Fatal!", "Err!", "Warn!", "Busy!", "Full!"};
  Send(kInstallMessageOutOfDiskSpace, "C:");
  ASSERT_EQ(ui.shownStyled.size(), 1u);
  EXPECT_EQ(ui.shownStyled[0].text, "Full!\r\rC:");
}

}  // namespace
}  // namespace quarrix
