#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "commands/CommandRunner.h"
#include "ui/DialogFixture.h"

namespace quarrix {
namespace {

using testing::CommandRunner;
using testing::Control;
using testing::Dialog;
using testing::DialogRunner;
using testing::NextButton;

std::string Script(const std::string& lines) { return "#quarrix-script 1\n[setup]\ntitle = Demo\n[script]\n" + lines; }

constexpr const char* kProgressPage = "Display Dialog: Progress STATE FALSE \"\" \"\" \"\"\n";

platform::FormObject ProgressPage() { return Dialog("Progress", {Control("Bar", "TProgressBar", {{"Tag", "1"}})}); }

TEST(MessageBoxCommand, StyleFromIconAndButtonsAndTheButtonPressedAsText) {
  struct Case {
    const char* icon;
    const char* buttons;
    int pressed;
    uint32_t style;
    const char* result;
  };
  const Case cases[] = {
      {"0", "1", 1, 0x40, "OK"},     {"1", "4", 6, 0x24, "YES"},    {"1", "4", 7, 0x24, "NO"},
      {"2", "0", 3, 0x32, "ABORT"},  {"2", "0", 5, 0x32, "IGNORE"}, {"3", "3", 4, 0x15, "RETRY"},
      {"0", "2", 2, 0x41, "CANCEL"}, {"3", "1", 1, 0x10, "OK"},
      // The close box of a Yes/No/Cancel box answers as its Cancel button.
      {"1", "5", 2, 0x23, "CANCEL"},
      // Buttons outside the table make an OK box.
      {"0", "6", 1, 0x40, "OK"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.icon) + "/" + c.buttons);
    CommandRunner runner(Script(std::string("MessageBox: \"Box $WHO$\" \"Hello $WHO$\" ") + c.icon + " " + c.buttons +
                                " answer\n"));
    runner.session.variables.SetVariable("WHO", "you", "Test");
    runner.temp.machine.ui.styledAnswers.push_back(c.pressed);
    runner.RunLine(0);
    const auto& shown = runner.temp.machine.ui.shownStyled;
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, "Box you");
    EXPECT_EQ(shown[0].text, "Hello you");
    EXPECT_EQ(shown[0].style, c.style);
    EXPECT_FALSE(shown[0].ownedByWindow) << "no dialog is on the screen";
    EXPECT_EQ(runner.Var("ANSWER"), c.result);
  }
}

TEST(MessageBoxCommand, SilentRunsAndAnEmptyResultLeaveTheVariablesAlone) {
  struct Case {
    const char* name;
    bool silent;
    const char* result;
    size_t boxes;
  };
  for (const Case& c : {Case{"silent", true, "answer", 0}, Case{"no result variable", false, "\"\"", 1}}) {
    SCOPED_TRACE(c.name);
    CommandRunner runner(Script(std::string("MessageBox: T X 1 4 ") + c.result + "\n"));
    runner.session.silent = c.silent;
    runner.session.variables.SetVariable("ANSWER", "before", "Test");
    const std::string before = runner.session.variables.ExportVariables();
    runner.RunLine(0);
    EXPECT_EQ(runner.temp.machine.ui.shownStyled.size(), c.boxes);
    EXPECT_EQ(runner.session.variables.ExportVariables(), before);
  }
}

TEST(MessageCommands, AParameterThatIsNoIntegerIsARuntimeErrorAlsoInSilentRuns) {
  for (const char* line : {"MessageBox: T X info 1 R\n", "MessageBox: T X 0 \"\" R\n", "MessageBox: T X 0 $WHO$ R\n",
                           "MessageBalloon: T X 0 ten\n", "MessageBalloon: T X warn 10\n"}) {
    for (bool silent : {false, true}) {
      SCOPED_TRACE(std::string(line) + (silent ? " silent" : ""));
      CommandRunner runner(Script(line));
      runner.session.variables.SetVariable("WHO", "4", "Test");  // parameters are not expanded
      runner.session.silent = silent;
      EXPECT_THROW(runner.RunLine(0), std::runtime_error);
      EXPECT_TRUE(runner.temp.machine.ui.shownStyled.empty());
      EXPECT_TRUE(runner.temp.machine.toolkit.balloons.empty());
    }
  }
}

TEST(MessageBoxCommand, ABoxThatCannotBeOwnedByTheShownDialogIsShownWithoutOwner) {
  DialogRunner runner(Script(std::string(kProgressPage) + "MessageBox: T X 0 4 ANSWER\n"));
  runner.Load({{"Progress", ProgressPage()}});
  runner.machine.ui.styledAnswers = {0, 7};
  runner.Run();
  const auto& shown = runner.machine.ui.shownStyled;
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_TRUE(shown[0].ownedByWindow);
  EXPECT_FALSE(shown[1].ownedByWindow);
  EXPECT_EQ(runner.Var("ANSWER"), "NO");
}

TEST(MessageBoxCommand, TheTaskbarShowsErrorForAnErrorNoticeAndPausedForAnyOtherBox) {
  DialogRunner runner(Script(std::string(kProgressPage) +
                             "Set Variable: PROGRESSMODE MARQUEE\n"
                             "MessageBox: T X 3 1 R\n"
                             "MessageBox: T X 3 4 R\n"
                             "MessageBox: T X 0 1 R\n"
                             "Set Variable: AFTER $PROGRESSMODE$\n"));
  runner.Load({{"Progress", ProgressPage()}});
  using platform::TaskbarState;
  std::vector<std::string> modes;
  std::vector<TaskbarState> states;
  // The page's window exists once it is displayed.
  const auto pageState = [&] { return runner.toolkit.taskbar[runner.engine.Find("0")->form].state; };
  runner.machine.ui.onBox = [&](const std::string&, const std::string&, const std::string&) {
    modes.push_back(runner.Var("PROGRESSMODE"));
    states.push_back(pageState());
  };
  TaskbarState afterBoxes = TaskbarState::None;
  runner.Run([&](int32_t line) {
    if (line == 6) afterBoxes = pageState();  // before AFTER
    return true;
  });
  EXPECT_EQ(modes, (std::vector<std::string>{"ERROR", "PAUSE", "PAUSE"}));
  EXPECT_EQ(states, (std::vector<TaskbarState>{TaskbarState::Error, TaskbarState::Paused, TaskbarState::Paused}));
  EXPECT_EQ(runner.Var("AFTER"), "MARQUEE");
  EXPECT_EQ(afterBoxes, TaskbarState::Indeterminate);
}

TEST(MessageBalloonCommand, TheDisplayTimeIsKeptBetweenTenAndThirtySeconds) {
  struct Case {
    const char* seconds;
    const char* icon;
    uint32_t timeoutMs;
    platform::BalloonIcon shownIcon;
  };
  using platform::BalloonIcon;
  const Case cases[] = {{"5", "0", 10000, BalloonIcon::Information},
                        {"10", "1", 10000, BalloonIcon::Warning},
                        {"17", "2", 17000, BalloonIcon::Error},
                        {"60", "0", 30000, BalloonIcon::Information},
                        {"-3", "0", 10000, BalloonIcon::Information}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.seconds);
    CommandRunner runner(Script(std::string("MessageBalloon: \"Done\" \"Copied $WHO$\" ") + c.icon + " " + c.seconds + "\n"));
    runner.session.variables.SetVariable("WHO", "all", "Test");
    runner.session.variables.SetVariable("TITLE", "Demo 2", "Test");
    runner.RunLine(0);
    const auto& toolkit = runner.temp.machine.toolkit;
    ASSERT_EQ(toolkit.balloons.size(), 1u);
    EXPECT_EQ(toolkit.balloons[0].title, "Done");
    EXPECT_EQ(toolkit.balloons[0].text, "Copied all");
    EXPECT_EQ(toolkit.balloons[0].timeoutMs, c.timeoutMs);
    EXPECT_EQ(toolkit.balloons[0].icon, c.shownIcon);
    EXPECT_TRUE(toolkit.trayShown);
    EXPECT_EQ(toolkit.trayHint, "Demo 2");
  }
  CommandRunner silent(Script("MessageBalloon: Done Copied 0 10\n"));
  silent.session.silent = true;
  silent.RunLine(0);
  EXPECT_TRUE(silent.temp.machine.toolkit.balloons.empty());
  EXPECT_FALSE(silent.temp.machine.toolkit.trayShown);
}

TEST(MessageBalloonCommand, ProgressIsPausedUntilTheBalloonHasTimedOut) {
  DialogRunner runner(Script(std::string(kProgressPage) +
                             "Set Variable: PROGRESSMODE MARQUEE\n"
                             "MessageBalloon: Done Copied 0 12\n"
                             "Set Variable: DURING $PROGRESSMODE$\n"
                             "Set Variable: AFTER $PROGRESSMODE$\n"));
  runner.Load({{"Progress", ProgressPage()}});
  runner.Run([&](int32_t line) {
    if (line == 4) {  // before DURING
      runner.machine.clock.Advance(11999);
      runner.toolkit.ProcessPendingMessages();
    }
    if (line == 5) {  // before AFTER
      runner.machine.clock.Advance(1);
      runner.toolkit.ProcessPendingMessages();
    }
    return true;
  });
  EXPECT_EQ(runner.Var("DURING"), "PAUSE");
  EXPECT_EQ(runner.Var("AFTER"), "MARQUEE");
}

// What the tray and the shown dialog look like right after the "System Tray" line.
struct TrayView {
  bool trayShown = false;
  bool windowVisible = false;
  bool hiddenToTray = false;
  bool overlay = false;
  bool operator==(const TrayView&) const = default;
};

TEST(SystemTrayCommand, EachParameterCountsOnlyWhenItIsExactlyTrue) {
  struct Case {
    const char* parameters;
    TrayView after;
  };
  const Case cases[] = {
      {"TRUE FALSE FALSE FALSE", {true, false, true, true}},
      {"true FALSE FALSE FALSE", {false, true, false, false}},
      {"-1 FALSE FALSE FALSE", {false, true, false, false}},
      {"FALSE TRUE FALSE FALSE", {true, true, false, true}},
      {"TRUE FALSE TRUE FALSE", {true, true, false, true}},
      {"TRUE FALSE FALSE TRUE", {false, true, false, false}},
      {"FALSE TRUE FALSE TRUE", {false, true, false, false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.parameters);
    DialogRunner runner(Script(std::string(kProgressPage) + "System Tray: " + c.parameters + "\nSet Variable: X 1\n"));
    runner.Load({{"Progress", ProgressPage()}});
    TrayView view;
    runner.Run([&](int32_t line) {
      if (line != 3) return true;  // after the "System Tray" line
      const platform::FormId page = runner.engine.Find("0")->form;
      view = {runner.toolkit.trayShown, runner.toolkit.IsVisible(page), runner.engine.HiddenToTray(),
              runner.toolkit.taskbar[page].overlay};
      return true;
    });
    EXPECT_EQ(view, c.after);
    EXPECT_FALSE(runner.toolkit.trayShown) << "the run's cleanup takes the tray icon away";
  }
}

TEST(SystemTrayCommand, ADialogDisplayedInTheTrayWaitsForTheUsersClickOnTheIcon) {
  DialogRunner runner(Script(std::string(kProgressPage) +
                             "System Tray: TRUE FALSE FALSE FALSE\n"
                             "Display Dialog: Second STATE FALSE \"\" \"\" \"\"\n"
                             "Set Variable: X 1\n"));
  runner.Load({{"Progress", ProgressPage()}, {"Second", Dialog("Second", {NextButton()})}});
  bool shownBeforeClick = true;
  bool shownAfterClick = false;
  bool stillInTray = true;
  platform::FormId owner = platform::kNoForm;
  platform::FormId second = platform::kNoForm;
  runner.Run([&](int32_t line) {
    if (line != 4) return true;  // after the second "Display Dialog" line
    second = runner.engine.Find("2")->form;
    shownBeforeClick = runner.toolkit.IsVisible(second);
    runner.toolkit.ClickTrayIcon();
    shownAfterClick = runner.toolkit.IsVisible(second);
    stillInTray = runner.engine.HiddenToTray();
    owner = runner.toolkit.ownerForm;
    return true;
  });
  EXPECT_FALSE(shownBeforeClick);
  EXPECT_TRUE(shownAfterClick);
  EXPECT_FALSE(stillInTray);
  EXPECT_EQ(owner, second) << "boxes belong to the restored dialog";
}

TEST(SystemTrayCommand, SilentRunsShowNoTrayIcon) {
  CommandRunner runner(Script("System Tray: TRUE TRUE FALSE FALSE\n"));
  runner.session.silent = true;
  runner.RunLine(0);
  EXPECT_FALSE(runner.temp.machine.toolkit.trayShown);
}

}  // namespace
}  // namespace quarrix
