#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "ui/DialogFixture.h"

namespace quarrix {
namespace {

using testing::Control;
using testing::Dialog;
using testing::DialogRunner;
using testing::NextButton;

std::string Script(const std::string& lines) { return "#quarrix-script 1\n[script]\n" + lines; }

constexpr const char* kOneDialog = "Display Dialog: Page WIZARD TRUE \"\" \"\" \"\"\n";

struct BindCase {
  const char* name;
  platform::FormObject control;
  std::vector<std::pair<std::string, std::string>> variables;
  std::string property;
  std::string expected;
};

// What each control kind shows once "Display Dialog" bound it, read while the dialog is up.
TEST(DialogBinding, EachControlKindShowsItsVariable) {
  const std::vector<BindCase> cases = {
      {"edit takes the value, doubled backslashes collapsed",
       Control("Edit1", "TEdit", {{"Hint", "DEST"}, {"Text", "design"}}), {{"DEST", "C:\\\\Apps\\\\Tool"}}, "Text",
       "C:\\Apps\\Tool"},
      {"edit bound by a reference", Control("Edit1", "TEdit", {{"Hint", "$DEST$"}}), {{"DEST", "x"}}, "Text", "x"},
      {"edit of an undefined variable keeps its expanded design text",
       Control("Edit1", "TEdit", {{"Hint", "NOPE"}, {"Text", "for $WHO$"}}), {{"WHO", "you"}}, "Text", "for you"},
      {"empty edit with tag 2 falls back to the destination", Control("Edit1", "TEdit", {{"Tag", "2"}}),
       {{"TARGETDIR", "D:\\\\Target"}}, "Text", "D:\\Target"},
      {"check box checked by a truth value", Control("Box", "TRzCheckBox", {{"Hint", "OPT"}}), {{"OPT", "true"}},
       "Checked", "True"},
      {"check box cleared", Control("Box", "TRzCheckBox", {{"Hint", "OPT"}, {"Checked", "True"}}), {{"OPT", "no"}},
       "Checked", "False"},
      {"list box selects the equal item", Control("List", "TListBox", {{"Hint", "PICK"}}, {"A", "B", "", "C"}),
       {{"PICK", "C"}}, "ItemIndex", "2"},
      {"drop-down list matches ignoring case",
       Control("Combo", "TComboBox", {{"Hint", "PICK"}, {"Style", "csDropDownList"}}, {"Red", "Green"}),
       {{"PICK", "green"}}, "ItemIndex", "1"},
      {"drop-down combo takes the text", Control("Combo", "TComboBox", {{"Hint", "PICK"}}, {"Red"}),
       {{"PICK", "Blue"}}, "Text", "Blue"},
      {"memo turns $NEWLINE$ into line breaks", Control("Memo", "TMemo", {{"Hint", "NOTES"}}),
       {{"NOTES", "one$NEWLINE$two"}}, "Text", "one\r\ntwo"},
      {"track bar position", Control("Track", "TTrackBar", {{"Hint", "LEVEL"}}), {{"LEVEL", "7"}}, "Position", "7"},
      {"progress bar with tag 1 is limited to 100", Control("Bar", "TProgressBar", {{"Tag", "1"}}),
       {{"PROGRESS", "150"}}, "Position", "100"},
      {"gauge with tag 1", Control("Gauge", "TGauge", {{"Tag", "1"}}), {{"PROGRESS", "42"}}, "Progress", "42"},
      {"status text with tag 1", Control("Status", "TStaticText", {{"Tag", "1"}}), {{"PROGRESSTEXT", "Copying"}},
       "Caption", "Copying"},
      {"label caption expanded", Control("Label1", "TLabel", {{"Caption", "Install $TITLE$"}}), {{"TITLE", "Tool"}},
       "Caption", "Install Tool"},
  };
  for (const BindCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::string lines;
    for (const auto& [name, value] : c.variables) lines += "Set Variable: " + name + " \"" + value + "\"\n";
    DialogRunner runner(Script(lines + kOneDialog));
    runner.Load({{"Page", Dialog("Page", {c.control, NextButton()})}});
    std::optional<std::string> seen;
    // The dialog's first answer looks at the control; NEXT then closes it.
    runner.toolkit.answers = {"NEXT"};
    runner.toolkit.onLog = [&](const std::string& line) {
      if (seen || line.rfind("shown:", 0) != 0) return;
      seen = runner.toolkit.GetProperty(runner.toolkit.TopForm(), c.control.name, c.property);
    };
    runner.Run();
    ASSERT_TRUE(seen.has_value());
    EXPECT_EQ(*seen, c.expected);
  }
}

struct WriteCase {
  const char* name;
  std::vector<platform::FormObject> controls;
  std::vector<std::string> answers;  // before NEXT
  std::string variable;
  std::string expected;
};

// What the user's action on each control kind writes into its variable.
TEST(DialogBinding, EachControlKindWritesWhatTheUserDid) {
  const std::vector<WriteCase> cases = {
      {"typed text", {Control("Edit1", "TEdit", {{"Hint", "dest"}})}, {"Edit1=C:\\Apps"}, "DEST", "C:\\Apps"},
      {"memo lines", {Control("Memo1", "TMemo", {{"Hint", "NOTES"}})}, {"Memo1=a\r\nb"}, "NOTES", "a$NEWLINE$b"},
      {"check box", {Control("Box", "TRzCheckBox", {{"Hint", "OPT"}})}, {"Box=TRUE"}, "OPT", "TRUE"},
      {"check box cleared again", {Control("Box", "TRzCheckBox", {{"Hint", "OPT"}})}, {"Box=TRUE", "Box=FALSE"},
       "OPT", "FALSE"},
      {"radio buttons write each its own state",
       {Control("R1", "TRzRadioButton", {{"Hint", "TYPICAL"}, {"Checked", "True"}}),
        Control("R2", "TRzRadioButton", {{"Hint", "CUSTOM"}})},
       {"R2=TRUE"}, "TYPICAL", "FALSE"},
      {"multi-selection list joins with $NEWLINE$",
       {Control("List", "TListBox", {{"Hint", "PICKS"}, {"MultiSelect", "True"}}, {"A", "B", "C"})},
       {"List=A", "List=C"}, "PICKS", "A$NEWLINE$C"},
      {"check list writes the checked items",
       {Control("Checks", "TCheckListBox", {{"Hint", "PARTS"}}, {"A", "B", "C"})}, {"Checks=A|C"}, "PARTS",
       "A$NEWLINE$C"},
      {"combo choice", {Control("Combo", "TComboBox", {{"Hint", "COLOUR"}}, {"Red", "Green"})}, {"Combo=green"},
       "COLOUR", "Green"},
      {"track bar", {Control("Track", "TTrackBar", {{"Hint", "LEVEL"}})}, {"Track=5"}, "LEVEL", "5"},
  };
  for (const WriteCase& c : cases) {
    SCOPED_TRACE(c.name);
    DialogRunner runner(Script(kOneDialog));
    std::vector<platform::FormObject> controls = c.controls;
    controls.push_back(NextButton());
    runner.Load({{"Page", Dialog("Page", controls)}});
    runner.toolkit.answers.assign(c.answers.begin(), c.answers.end());
    runner.toolkit.answers.push_back("NEXT");
    runner.Run();
    EXPECT_EQ(runner.Var(c.variable), c.expected);
    EXPECT_EQ(runner.Var("WIZARD"), "NEXT");
  }
}

// The engine filling the controls raises their change events; none of them may write, or every
// bound variable would be created or rewritten by merely showing a dialog.
TEST(DialogBinding, BindingWritesNothingAndAnUnboundDialogNoLonger) {
  DialogRunner runner(Script(std::string("Set Variable: OPT TRUE\n") + kOneDialog +
                             "Display Dialog: Other WIZARD TRUE \"\" \"\" \"\"\n"));
  runner.Load({{"Page", Dialog("Page", {Control("Edit1", "TEdit", {{"Hint", "UNSET"}, {"Text", "typed"}}),
                                       Control("Box", "TRzCheckBox", {{"Hint", "OPT"}}), NextButton()})},
               {"Other", Dialog("Other", {NextButton()})}});
  runner.Run();
  EXPECT_FALSE(runner.session.variables.VariableExists("UNSET"));
  EXPECT_EQ(runner.Var("OPT"), "TRUE");
}

TEST(DialogBinding, HiddenDialogOnceUnboundWritesNothing) {
  DialogRunner runner(Script(std::string(kOneDialog) + "Display Dialog: Other WIZARD TRUE \"\" \"\" \"\"\n"));
  runner.Load({{"Page", Dialog("Page", {Control("Edit1", "TEdit", {{"Hint", "DEST"}}), NextButton()})},
               {"Other", Dialog("Other", {NextButton()})}});
  platform::FormId first = platform::kNoForm;
  runner.toolkit.onLog = [&](const std::string& line) {
    if (line.rfind("shown: PoolTemplate", 0) == 0 && first == platform::kNoForm) first = runner.toolkit.TopForm();
    // While the second dialog is up, the first one's edit changes: it is unbound by then.
    if (line.rfind("shown:", 0) == 0 && runner.toolkit.TopForm() != first)
      runner.toolkit.SetProperty(first, "Edit1", "Text", "late");
  };
  runner.toolkit.answers = {"Edit1=early", "NEXT", "NEXT"};
  runner.Run();
  EXPECT_EQ(runner.Var("DEST"), "early");
}

TEST(DialogBinding, WindowCaptionFollowsTheLogoSetting) {
  struct Case {
    const char* caption;
    const char* logo;
    const char* expected;
  };
  for (const Case& c : {Case{"Setup", "FALSE", "Setup - Quarrix Wizard"},
                        Case{"Setup - Quarrix Wizard", "FALSE", "Setup - Quarrix Wizard"},
                        Case{"Setup - Quarrix Wizard", "TRUE", "Setup"}, Case{"Setup", "TRUE", "Setup"}}) {
    SCOPED_TRACE(std::string(c.caption) + " / " + c.logo);
    DialogRunner runner(Script(std::string("Set Variable: VELDLOGO ") + c.logo + "\n" + kOneDialog));
    runner.Load({{"Page", Dialog(c.caption, {NextButton()})}});
    std::string caption;
    runner.toolkit.onLog = [&](const std::string& line) {
      if (line.rfind("shown:", 0) == 0) caption = runner.toolkit.GetProperty(runner.toolkit.TopForm(), "", "Caption").value_or("");
    };
    runner.Run();
    EXPECT_EQ(caption, c.expected);
  }
}

TEST(DialogBinding, LicenceMemoLoadsTheSupportFileAndCountsAsReadAtItsEnd) {
  DialogRunner runner(Script(kOneDialog));
  runner.machine.files.WriteFile(runner.session.supportFolder + "license.txt", "line 1\r\nline 2\r\n");
  runner.Load({{"Page", Dialog("Page", {Control("Memo1", "TMemo", {{"Tag", "2"}, {"ReadOnly", "True"},
                                                                  {"ScrollBars", "ssVertical"}}),
                                       Control("NextButton", "TButton", {{"Tag", "1"}, {"Enabled", "False"}})})}},
              {{"Page", "IF (Memo1.MaxLength = 2147483647)  THEN  NextButton.Enabled := True;\r\n"}});
  std::string text;
  runner.toolkit.onLog = [&](const std::string& line) {
    if (line.rfind("shown:", 0) != 0) return;
    const platform::FormId form = runner.toolkit.TopForm();
    text = runner.toolkit.GetProperty(form, "Memo1", "Text").value_or("");
    EXPECT_EQ(runner.toolkit.GetProperty(form, "NextButton", "Enabled"), "False") << "not read yet";
    runner.toolkit.ScrollToEnd(form, "Memo1");
  };
  runner.Run();
  EXPECT_EQ(text, "line 1\r\nline 2");
  EXPECT_EQ(runner.Var("WIZARD"), "NEXT") << "Next became usable once the end was in view";
}

}  // namespace
}  // namespace quarrix
