#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/TestPackage.h"
#include "ui/DialogFixture.h"

namespace quarrix {
namespace {

using platform::TaskbarState;
using testing::CancelButton;
using testing::Control;
using testing::Dialog;
using testing::DialogRunner;
using testing::NextButton;

std::string Script(const std::string& lines) { return "#quarrix-script 1\n[script]\n" + lines; }

// A progress page on the screen, shown without waiting, for the switches to act on.
struct ShownPage {
  explicit ShownPage(const std::string& extraLines = "")
      : runner(Script("Display Dialog: Progress STATE FALSE \"\" \"\" \"\"\n" + extraLines)) {
    runner.Load({{"Progress", Dialog("Progress", {Control("Bar", "TProgressBar", {{"Tag", "1"}}), CancelButton()})}});
    runner.engine.Display("0", false);
    page = runner.engine.Find("0")->form;
  }
  std::string Mode() const { return runner.Var("PROGRESSMODE"); }
  TaskbarState State() { return runner.toolkit.taskbar[page].state; }

  DialogRunner runner;
  platform::FormId page = platform::kNoForm;
};

TEST(ProgressMode, SwitchesAreNotCountedTheFirstOffRestoresTheModeBeforeTheFirstOn) {
  struct Step {
    bool on;
    bool error;
    const char* mode;
    TaskbarState state;
  };
  ShownPage shown;
  shown.runner.session.variables.SetVariable("PROGRESSMODE", "MARQUEE", "Test");
  const Step steps[] = {{true, false, "PAUSE", TaskbarState::Paused},
                        {true, true, "ERROR", TaskbarState::Error},
                        {false, false, "MARQUEE", TaskbarState::Indeterminate},
                        {true, true, "ERROR", TaskbarState::Error},
                        {false, false, "MARQUEE", TaskbarState::Indeterminate}};
  for (const Step& step : steps) {
    shown.runner.engine.SetProgressMode(step.on, step.error);
    EXPECT_EQ(shown.Mode(), step.mode);
    EXPECT_EQ(shown.State(), step.state);
  }
}

TEST(ProgressMode, AnOffWithNothingSwitchedKeepsWhatTheScriptSetSince) {
  ShownPage shown;
  shown.runner.engine.SetProgressMode(true, false);
  shown.runner.engine.SetProgressMode(false, false);
  shown.runner.session.variables.SetVariable("PROGRESSMODE", "ERROR", "Test");
  shown.runner.engine.SetProgressMode(false, false);  // a balloon's timer, late
  EXPECT_EQ(shown.Mode(), "ERROR");
  EXPECT_EQ(shown.State(), TaskbarState::Error);
}

TEST(ProgressMode, WithoutTaskbarProgressNothingChanges) {
  struct Case {
    const char* name;
    uint32_t major;
    uint32_t minor;
    bool taskbarList;
  };
  for (const Case& c : {Case{"Windows Vista", 6, 0, true}, Case{"no taskbar list", 10, 0, false}}) {
    SCOPED_TRACE(c.name);
    ShownPage shown;
    shown.runner.machine.system.version.major = c.major;
    shown.runner.machine.system.version.minor = c.minor;
    shown.runner.toolkit.taskbarAvailable = c.taskbarList;
    shown.runner.session.variables.SetVariable("PROGRESSMODE", "MARQUEE", "Test");
    shown.runner.engine.SetProgressMode(true, true);
    EXPECT_EQ(shown.Mode(), "MARQUEE");
    EXPECT_EQ(shown.State(), TaskbarState::None);
  }
}

TEST(ProgressMode, AWorkersSwitchReachesTheTaskbarWithTheNextRefresh) {
  ShownPage shown;
  std::thread worker([&] { shown.runner.engine.SetProgressMode(true, true); });
  worker.join();
  EXPECT_EQ(shown.Mode(), "ERROR");
  EXPECT_EQ(shown.State(), TaskbarState::None) << "the toolkit is the main thread's";
  shown.runner.engine.ShowProgress("Copying", 40);
  EXPECT_EQ(shown.State(), TaskbarState::Error);
}

TEST(ProgressMode, TheCancelQuestionPausesTheProgressWhileItIsOpen) {
  DialogRunner runner(Script("Set Variable: PROGRESSMODE MARQUEE\n"
                             "Display Dialog: Page WIZARD TRUE \"\" \"\" \"\"\n"));
  runner.Load({{"Page", Dialog("Page", {NextButton(), CancelButton()})}});
  runner.machine.ui.styledAnswers.push_back(7);  // IDNO
  runner.toolkit.answers = {"CancelButton", "NEXT"};
  std::vector<std::string> modes;
  runner.machine.ui.onBox = [&](const std::string&, const std::string&, const std::string&) {
    modes.push_back(runner.Var("PROGRESSMODE"));
  };
  runner.Run();
  EXPECT_EQ(modes, std::vector<std::string>{"PAUSE"});
  EXPECT_EQ(runner.Var("PROGRESSMODE"), "MARQUEE");
}

TEST(ProgressMode, TheInstallersWarningPausesAndItsOutOfDiskSpaceShowsAnError) {
  DialogRunner runner(std::string("#quarrix-script 1\n[setup]\nproduct-code = ") + testing::kTestProductCode +
                      "\nrevision-code = {99999999-2222-3333-4444-555555555555}\ntitle = Probe\n[script]\n"
                      "Display Dialog: Progress STATE FALSE \"\" \"\" \"\"\n"
                      "Apply Changes: \"\" RESULT TRUE FALSE\n");
  const std::filesystem::path build = runner.temp.folder.Path() / "build";
  if (!testing::BuildTestPackage(build)) GTEST_SKIP() << "wixl is needed to build the package";
  std::filesystem::copy_file(build / "setup.msi", *runner.machine.files.HostPath(runner.PackagePath()),
                             std::filesystem::copy_options::overwrite_existing);
  runner.Load({{"Progress", Dialog("Progress", {Control("Bar", "TProgressBar", {{"Tag", "1"}})})}});
  runner.machine.installer.messages = {{platform::kInstallMessageWarning, "Low on memory"},
                                       {platform::kInstallMessageOutOfDiskSpace, "Disk full"}};
  std::vector<std::string> modes;
  runner.machine.ui.onBox = [&](const std::string&, const std::string&, const std::string&) {
    modes.push_back(runner.Var("PROGRESSMODE"));
  };
  runner.Run();
  EXPECT_EQ(runner.Var("RESULT"), "COMPLETE");
  EXPECT_EQ(modes, (std::vector<std::string>{"PAUSE", "ERROR"}));
  EXPECT_EQ(runner.Var("PROGRESSMODE"), "");
}

}  // namespace
}  // namespace quarrix
