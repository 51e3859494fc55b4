#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TempMachine.h"
#include "ui/DialogFixture.h"

namespace quarrix {
namespace {

using platform::EventKind;
using platform::FormError;
using platform::ToolkitEvent;
using testing::Control;
using testing::Dialog;

TEST(SimToolkit, OnlyTheWindowMayNameAnyClass) {
  testing::TempMachine temp;
  platform::sim::SimToolkit& toolkit = temp.machine.toolkit;
  platform::FormObject window = Dialog("Page", {Control("Edit1", "tedit")});
  window.className = "TSomethingOfMyOwn";
  const platform::FormId form = toolkit.CreateForm(window);
  ASSERT_EQ(toolkit.Components(form).size(), 1u);
  EXPECT_EQ(toolkit.Components(form)[0].className, "tedit");

  platform::FormObject nested = Dialog("Page", {Control("Panel1", "TPanel")});
  nested.children[0].children.push_back(Control("Odd", "TOdd"));
  nested.children[0].children[0].line = 12;
  try {
    toolkit.CreateForm(nested);
    FAIL() << "built";
  } catch (const FormError& error) {
    EXPECT_EQ(error.line, 12);
    EXPECT_STREQ(error.what(), "unknown control class TOdd of Odd");
  }
}

TEST(SimToolkit, ChangesRaiseTheEventsARealControlRaises) {
  testing::TempMachine temp;
  platform::sim::SimToolkit& toolkit = temp.machine.toolkit;
  const platform::FormId form = toolkit.CreateForm(Dialog(
      "Page", {Control("Edit1", "TEdit"), Control("Box", "TRzCheckBox"), Control("R1", "TRzRadioButton"),
               Control("R2", "TRzRadioButton", {{"Checked", "True"}}), Control("Label1", "TLabel"),
               Control("Off", "TButton", {{"Enabled", "False"}})}));
  std::vector<std::string> events;
  toolkit.SetEventSink([&](ToolkitEvent& event) {
    events.push_back(event.component + (event.kind == EventKind::Change ? " change" : " click"));
  });
  toolkit.SetProperty(form, "Edit1", "Text", "a");
  toolkit.SetProperty(form, "Edit1", "Text", "a");  // unchanged: no event
  toolkit.SetProperty(form, "Box", "Checked", "true");
  toolkit.SetProperty(form, "Label1", "Caption", "x");
  EXPECT_TRUE(toolkit.Click(form, "R1"));
  EXPECT_FALSE(toolkit.Click(form, "Off"));
  EXPECT_EQ(events, (std::vector<std::string>{"Edit1 change", "Box click", "R1 click"}));
  EXPECT_EQ(toolkit.GetProperty(form, "Box", "Checked"), "True");
  EXPECT_EQ(toolkit.GetProperty(form, "R2", "Checked"), "False") << "one radio button of a group";
  EXPECT_EQ(toolkit.GetProperty(form, "Nobody", "Caption"), std::nullopt);
  EXPECT_FALSE(toolkit.SetProperty(form, "Nobody", "Caption", "x"));
}

// The machine's waits for a worker run the windows' timers on the simulated clock.
TEST(SimToolkit, AWindowUnderAModalFormTakesNoInputUntilItIsReleased) {
  testing::TempMachine temp;
  platform::sim::SimToolkit& toolkit = temp.machine.toolkit;
  const platform::FormId wizard = toolkit.CreateForm(Dialog("Page", {Control("Button1", "TButton")}));
  const platform::FormId modal = toolkit.CreateForm(Dialog("Question", {Control("Button1", "TButton")}));
  toolkit.SetModalOwner(modal, wizard);
  EXPECT_FALSE(toolkit.Click(wizard, "Button1"));
  EXPECT_TRUE(toolkit.Click(modal, "Button1"));
  toolkit.SetModalOwner(modal, platform::kNoForm);
  EXPECT_TRUE(toolkit.Click(wizard, "Button1"));
  toolkit.SetModalOwner(modal, wizard);
  toolkit.DestroyForm(modal);
  EXPECT_TRUE(toolkit.Click(wizard, "Button1")) << "the owner goes free with the form";
}

TEST(SimToolkit, TimersFireWhileTheMachineWaits) {
  testing::TempMachine temp;
  platform::sim::SimMachine& machine = temp.machine;
  const platform::FormId form = machine.toolkit.CreateForm(Dialog("Page", {}));
  int ticks = 0;
  machine.toolkit.SetEventSink([&](ToolkitEvent& event) {
    if (event.kind == EventKind::Timer && event.timerId == 4) ++ticks;
  });
  machine.toolkit.StartTimer(form, 4, 1000);
  machine.threads.ProcessOneMessage(999);
  EXPECT_EQ(ticks, 0);
  machine.threads.ProcessOneMessage(1);
  EXPECT_EQ(ticks, 1);
  machine.toolkit.ProcessOneMessage(2500);
  EXPECT_EQ(ticks, 2);
  machine.toolkit.StopTimer(form, 4);
  machine.threads.ProcessOneMessage(5000);
  EXPECT_EQ(ticks, 2);
}

TEST(SimToolkit, SimulatedUserWithNothingToPressIsAnError) {
  testing::TempMachine temp;
  platform::sim::SimToolkit& toolkit = temp.machine.toolkit;
  const platform::FormId form = toolkit.CreateForm(Dialog("Page", {Control("Edit1", "TEdit")}));
  toolkit.Show(form);
  toolkit.answers = {"Edit1=typed", "NEXT"};
  toolkit.ProcessOneMessage(platform::kWaitForever);
  EXPECT_EQ(toolkit.GetProperty(form, "Edit1", "Text"), "typed");
  EXPECT_THROW(toolkit.ProcessOneMessage(platform::kWaitForever), std::runtime_error);
  toolkit.answers = {"Nobody=x"};
  EXPECT_THROW(toolkit.ProcessOneMessage(platform::kWaitForever), std::runtime_error);
}

TEST(SimToolkit, SimulatedUserNavigatesWithButtonsNotWithAComponentListOfTheSameTag) {
  testing::TempMachine temp;
  platform::sim::SimToolkit& toolkit = temp.machine.toolkit;
  const platform::FormId form = toolkit.CreateForm(
      Dialog("Components", {Control("ComponentList", "TCheckListBox", {{"Tag", "1"}}), testing::NextButton()}));
  toolkit.Show(form);
  std::vector<std::string> clicked;
  toolkit.SetEventSink([&](ToolkitEvent& event) {
    if (event.kind == EventKind::Click) clicked.push_back(event.component);
  });
  toolkit.answers = {"NEXT"};
  toolkit.ProcessOneMessage(platform::kWaitForever);
  EXPECT_EQ(clicked, (std::vector<std::string>{"NextButton"}));
}

}  // namespace
}  // namespace quarrix
