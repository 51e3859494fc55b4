#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/DialogFixture.h"
#include "ui/DialogRules.h"

namespace quarrix {
namespace {

using testing::BackButton;
using testing::CancelButton;
using testing::Control;
using testing::Dialog;
using testing::DialogRunner;
using testing::NextButton;

std::string Script(const std::string& lines) { return "#quarrix-script 1\n[script]\n" + lines; }

std::vector<std::string> ShownCaptions(const std::vector<std::string>& log) {
  std::vector<std::string> shown;
  for (const std::string& line : log)
    if (line.rfind("shown: ", 0) == 0) shown.push_back(line.substr(line.find('"') + 1, line.find(" - ") - line.find('"') - 1));
  return shown;
}

platform::FormObject WizardPage(const std::string& caption) {
  return Dialog(caption, {NextButton(), BackButton(), CancelButton()});
}

TEST(DialogEngine, WizardLoopFollowsTheButtonsThatArePressed) {
  struct Case {
    const char* name;
    std::vector<std::string> answers;
    std::vector<std::string> shown;
    const char* wizard;
  };
  const std::vector<Case> cases = {
      {"next through all", {"NEXT", "NEXT", "NEXT"}, {"One", "Two", "Three"}, "NEXT"},
      {"back returns to the page before", {"NEXT", "BACK", "NEXT", "NEXT", "NEXT"},
       {"One", "Two", "One", "Two", "Three"}, "NEXT"},
      {"cancel ends the loop once confirmed", {"NEXT", "CANCEL"}, {"One", "Two"}, "CANCEL"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DialogRunner runner(Script(
        "Wizard Loop\n"
        " Display Dialog: One WIZARD \"\" \"\" \"\" \"\"\n"
        " Display Dialog: Two WIZARD \"\" \"\" \"\" \"\"\n"
        " Display Dialog: Three WIZARD \"\" \"\" \"\" \"\"\n"
        "End\n"));
    runner.Load({{"One", WizardPage("One")}, {"Two", WizardPage("Two")}, {"Three", WizardPage("Three")}});
    runner.toolkit.answers.assign(c.answers.begin(), c.answers.end());
    runner.toolkit.pressNextWhenDone = false;
    runner.Run();
    EXPECT_EQ(ShownCaptions(runner.toolkit.log), c.shown);
    EXPECT_EQ(runner.Var("WIZARD"), c.wizard);
    EXPECT_EQ(runner.Var("VELD_IsCancelled"), std::string(c.wizard) == "CANCEL" ? "TRUE" : "FALSE");
  }
}

TEST(DialogEngine, ClickHandlersActByTag) {
  struct Case {
    const char* name;
    platform::FormObject control;
    std::vector<std::string> answers;
    const char* wizard;
  };
  const std::vector<Case> cases = {
      {"custom result is the control's name upper-cased", Control("Repair", "TButton", {{"Tag", "5"}}), {"Repair"},
       "REPAIR"},
      {"a label can navigate", Control("Link", "TLabel", {{"Tag", "2"}}), {"Link"}, "BACK"},
      {"an image can navigate", Control("Picture", "TImage", {{"Tag", "1"}}), {"Picture"}, "NEXT"},
      {"an untagged click keeps the dialog waiting", Control("Help", "TButton", {{"Tag", "7"}}), {"Help", "NEXT"},
       "NEXT"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DialogRunner runner(Script("Display Dialog: Page WIZARD TRUE \"\" \"\" \"\"\n"));
    runner.Load({{"Page", Dialog("Page", {c.control, Control("NextButton", "TButton", {{"Tag", "1"}})})}});
    runner.toolkit.answers.assign(c.answers.begin(), c.answers.end());
    runner.toolkit.pressNextWhenDone = false;
    runner.Run();
    EXPECT_EQ(runner.Var("WIZARD"), c.wizard);
  }
}

TEST(DialogEngine, CancelAnsweredNoKeepsTheDialogWaiting) {
  DialogRunner runner(Script("Display Dialog: Page WIZARD TRUE \"\" \"\" \"\"\n"));
  runner.Load({{"Page", WizardPage("Page")}});
  runner.machine.ui.styledAnswers.push_back(7);  // IDNO
  runner.toolkit.answers = {"CancelButton", "NEXT"};
  runner.Run();
  EXPECT_EQ(runner.Var("WIZARD"), "NEXT");
  EXPECT_EQ(runner.Var("VELD_IsCancelled"), "FALSE");
  ASSERT_EQ(runner.machine.ui.shownStyled.size(), 1u);
  EXPECT_EQ(runner.machine.ui.shownStyled[0].text, "Are you sure you want to cancel?");
  EXPECT_TRUE(runner.machine.ui.shownStyled[0].ownedByWindow);
}

TEST(DialogEngine, DialogShownWithoutWaitingStaysUpUntilTheNextOneOrHideDialog) {
  DialogRunner runner(Script(
      "Display Dialog: Progress STATE FALSE \"\" \"\" \"\"\n"
      "Set Variable: HANDLE $WINDOWHANDLE$\n"
      "Set Variable: PROGRESSTEXT Copying\n"
      "Set Variable: PROGRESS 40\n"
      "Hide Dialog\n"
      "Display Dialog: Finish WIZARD TRUE \"\" \"\" \"\"\n"));
  runner.Load({{"Progress", Dialog("Progress", {Control("Bar", "TProgressBar", {{"Tag", "1"}})})},
               {"Finish", Dialog("Finish", {NextButton()})}});
  std::string barAtHide;
  runner.toolkit.onLog = [&](const std::string& line) {
    if (line.rfind("hidden:", 0) == 0)
      barAtHide = runner.toolkit.GetProperty(runner.engine.Find("0")->form, "Bar", "Position").value_or("");
  };
  runner.Run();
  EXPECT_EQ(barAtHide, "40") << "assigning PROGRESS reaches the page on the screen";
  EXPECT_EQ(runner.Var("STATE"), "NOTMODAL");
  EXPECT_NE(runner.Var("HANDLE"), "0");
  EXPECT_EQ(runner.Var("WINDOWHANDLE"), "0");
  EXPECT_EQ(runner.Var("WIZARD"), "NEXT");
  const std::vector<std::string> expected = {"shown: PoolTemplate \"Progress - Quarrix Wizard\"", "hidden: PoolTemplate",
                                             "shown: PoolTemplate \"Finish - Quarrix Wizard\""};
  std::vector<std::string> windows;
  for (const std::string& line : runner.toolkit.log)
    if (line.rfind("shown", 0) == 0 || line.rfind("hidden", 0) == 0) windows.push_back(line);
  EXPECT_EQ(std::vector<std::string>(windows.begin(), windows.begin() + 3), expected);
}

TEST(DialogEngine, TwoLinesOfOneDialogAreTwoWindows) {
  DialogRunner runner(Script(
      "Display Dialog: Page A TRUE \"\" \"\" \"\"\n"
      "Display Dialog: Page B TRUE \"\" \"\" \"\"\n"));
  runner.Load({{"Page", Dialog("Page", {Control("Edit1", "TEdit"), NextButton()})}});
  ASSERT_NE(runner.engine.Find("0"), nullptr);
  ASSERT_NE(runner.engine.Find("1"), nullptr);
  runner.engine.RefreshDialog("0");
  runner.engine.RefreshDialog("1");
  const platform::FormId first = runner.engine.Find("0")->form;
  const platform::FormId second = runner.engine.Find("1")->form;
  EXPECT_NE(first, second);
  runner.toolkit.SetProperty(first, "Edit1", "Text", "only here");
  EXPECT_EQ(runner.toolkit.GetProperty(second, "Edit1", "Text").value_or(""), "");
}

TEST(DialogEngine, SameSizedPagesKeepTheirPlaceAndOthersAreCentred) {
  DialogRunner runner(Script(
      "Display Dialog: One W TRUE \"\" \"\" \"\"\n"
      "Display Dialog: Two W TRUE \"\" \"\" \"\"\n"
      "Display Dialog: Wide W TRUE \"\" \"\" \"\"\n"));
  runner.Load({{"One", Dialog("One", {NextButton()})}, {"Two", Dialog("Two", {NextButton()})},
               {"Wide", Dialog("Wide", {NextButton()}, 600, 300)}});
  std::vector<platform::Bounds> places;
  runner.toolkit.onLog = [&](const std::string& line) {
    if (line.rfind("shown:", 0) != 0) return;
    places.push_back(runner.toolkit.BoundsOf(runner.toolkit.TopForm()));
    // The user drags the first page elsewhere; the second follows it there.
    if (places.size() == 1) runner.toolkit.MoveTo(runner.toolkit.TopForm(), 10, 20);
  };
  runner.Run();
  ASSERT_EQ(places.size(), 3u);
  EXPECT_EQ(places[0].left, (1920 - 400) / 2);
  EXPECT_EQ(places[1].left, 10);
  EXPECT_EQ(places[1].top, 20);
  EXPECT_EQ(places[2].left, (1920 - 600) / 2);
}

TEST(DialogEngine, UnknownControlClassFailsTheLoadWithItsLine) {
  DialogRunner runner(Script("Display Dialog: Page W TRUE \"\" \"\" \"\"\n"));
  platform::FormObject broken = Dialog("Page", {Control("Thing", "TWidget")});
  broken.children[0].line = 7;
  try {
    runner.Load({{"Page", broken}});
    FAIL() << "loaded";
  } catch (const std::exception& error) {
    EXPECT_STREQ(error.what(), "Page.dfm line 7: unknown control class TWidget of Thing");
  }
}

TEST(DialogEngine, EachWindowIsBuiltWhenItsDialogIsFirstDisplayed) {
  DialogRunner runner(Script(
      "Display Dialog: One R TRUE \"\" \"\" \"\"\n"
      "Display Dialog: Two R TRUE \"\" \"\" \"\"\n"
      "Display Dialog: One R TRUE \"\" \"\" \"\"\n"));
  runner.Load({{"One", WizardPage("One")}, {"Two", WizardPage("Two")}});
  const auto built = [&runner] {
    std::string keys;
    for (const char* key : {"0", "1", "2"})
      if (runner.engine.Find(key)->form != platform::kNoForm) keys += key;
    return keys;
  };
  EXPECT_EQ(built(), "");
  std::vector<std::string> builtWhenShown;
  runner.toolkit.onLog = [&](const std::string& line) {
    if (line.rfind("shown:", 0) == 0) builtWhenShown.push_back(built());
  };
  runner.Run();
  EXPECT_EQ(builtWhenShown, (std::vector<std::string>{"0", "01", "012"}));
  EXPECT_EQ(runner.Var("R"), "NEXT");
}

TEST(DialogEngine, BrokenDialogFileFailsTheLoadThoughNoWindowIsBuilt) {
  platform::FormObject duplicate = Dialog("Page", {Control("Box", "TPanel"), NextButton()});
  duplicate.children[0].children.push_back(Control("NextButton", "TButton"));
  duplicate.children[1].line = 9;  // met after the one inside the panel
  platform::FormObject notAList = Dialog("Page", {Control("List1", "TListBox", {{"Items.Strings", "one"}})});
  notAList.children[0].properties[0].line = 4;
  platform::FormObject unknownClass = Dialog("Page", {Control("Thing", "TWidget")});
  unknownClass.children[0].line = 7;
  struct Case {
    const char* name;
    platform::FormObject form;
    const char* error;
  };
  const std::vector<Case> cases = {
      {"a name used twice", duplicate, "Page.dfm line 9: a component named NextButton already exists"},
      {"item lines that are not a list", notAList, "Page.dfm line 4: Items.Strings of List1 must be a list of strings"},
      {"an unknown class", unknownClass, "Page.dfm line 7: unknown control class TWidget of Thing"},
  };
  for (const Case& c : cases) {
    for (const char* arguments : {"", "/s"}) {
      SCOPED_TRACE(std::string(c.name) + " " + arguments);
      DialogRunner runner(Script("Display Dialog: Page W TRUE \"\" \"\" \"\"\n"), arguments);
      try {
        runner.Load({{"Page", c.form}});
        ADD_FAILURE() << "loaded";
      } catch (const std::exception& error) {
        EXPECT_STREQ(error.what(), c.error);
      }
    }
  }
}

TEST(DialogRules, ParsedPartsAndWhatTheyWrite) {
  struct Case {
    const char* name;
    std::string rule;
    const char* checked;  // CheckBox1.Checked before the rules run
    const char* enabled;  // Button2.Enabled afterwards
  };
  const std::vector<Case> cases = {
      {"equal rule fires", "IF (CheckBox1.Checked = True)  THEN  Button2.Enabled := True;", "True", "True"},
      {"equal rule does not fire", "IF (CheckBox1.Checked = True)  THEN  Button2.Enabled := True;", "False", "False"},
      {"negated rule", "IF (CheckBox1.Checked <> True)  THEN  Button2.Enabled := True;", "False", "True"},
      {"the value may name another property",
       "IF (CheckBox1.Checked = CheckBox1.Tag)  THEN  Button2.Enabled := True;", "True", "False"},
      {"the assigned value may name another property",
       "IF (CheckBox1.Checked = True)  THEN  Button2.Enabled := CheckBox1.Checked;", "True", "True"},
      {"an unknown component compares as empty", "IF (Nobody.Checked = )  THEN  Button2.Enabled := True;", "False",
       "True"},
      {"a line without THEN is no rule", "IF (CheckBox1.Checked = True) Button2.Enabled := True;", "True", "False"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::TempMachine temp;
    platform::sim::SimToolkit& toolkit = temp.machine.toolkit;
    const platform::FormId form = toolkit.CreateForm(
        Dialog("Page", {Control("CheckBox1", "TRzCheckBox", {{"Checked", c.checked}}),
                        Control("Button2", "TButton", {{"Enabled", "False"}})}));
    ui::EvaluateDialogRules(toolkit, form, "PoolTemplate", {c.rule});
    EXPECT_EQ(toolkit.GetProperty(form, "Button2", "Enabled"), c.enabled);
  }
}

TEST(DialogRules, RuleFollowsTheUserAtOnce) {
  DialogRunner runner(Script("Display Dialog: Page WIZARD TRUE \"\" \"\" \"\"\n"));
  runner.Load({{"Page", Dialog("Page", {Control("Agree", "TRzCheckBox"),
                                       Control("NextButton", "TButton", {{"Tag", "1"}, {"Enabled", "False"}})})}},
              {{"Page", "IF (Agree.Checked = True)  THEN  NextButton.Enabled := True;\r\n"
                        "IF (Agree.Checked = False)  THEN  NextButton.Enabled := False;\r\n"}});
  runner.toolkit.pressNextWhenDone = false;
  runner.toolkit.answers = {"Agree=TRUE", "NEXT"};
  runner.Run();
  EXPECT_EQ(runner.Var("WIZARD"), "NEXT");
}

}  // namespace
}  // namespace quarrix
