// Loading one wizard page from its dialog file and binding it to the variables, as start-up and
// "Display Dialog" do, on the headless toolkit of the simulated machine.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>

#include "engine/Session.h"
#include "platform/sim/SimMachine.h"
#include "ui/DialogEngine.h"
#include "ui/FormParser.h"

namespace {

using namespace quarrix;

// A destination page of the usual size: labels, an edit with browse button, check boxes, a list,
// a combo box, a memo, status texts and the navigation buttons.
std::string DestinationDialog() {
  std::string text = "object Destination: TPoolTemplate\r\n  Caption = 'Destination $TITLE$'\r\n"
                     "  ClientWidth = 497\r\n  ClientHeight = 358\r\n";
  auto control = [&](const std::string& name, const std::string& kind, const std::string& body) {
    text += "  object " + name + ": " + kind + "\r\n    Left = 16\r\n    Top = 16\r\n    Width = 200\r\n" + body +
            "  end\r\n";
  };
  for (int i = 1; i <= 6; ++i) control("Label" + std::to_string(i), "TLabel", "    Caption = 'Text $TITLE$ " + std::to_string(i) + "'\r\n");
  control("Edit1", "TEdit", "    Hint = 'TARGETDIR'\r\n    Tag = 2\r\n    TabOrder = 0\r\n");
  control("Browse", "TButton", "    Caption = 'B&rowse...'\r\n    Tag = 4\r\n    TabOrder = 1\r\n");
  for (int i = 1; i <= 4; ++i)
    control("CheckBox" + std::to_string(i), "TRzCheckBox",
            "    Caption = 'Option " + std::to_string(i) + "'\r\n    Hint = 'OPTION" + std::to_string(i) + "'\r\n");
  control("ListBox1", "TListBox", "    Hint = 'PICK'\r\n    Items.Strings = (\r\n      'One'\r\n      'Two'\r\n      'Three')\r\n");
  control("ComboBox1", "TComboBox", "    Hint = 'COLOUR'\r\n    Style = csDropDownList\r\n    Items.Strings = (\r\n      'Red'\r\n      'Green')\r\n");
  control("Memo1", "TMemo", "    Hint = 'NOTES'\r\n    Lines.Strings = (\r\n      'first'\r\n      'second')\r\n");
  for (int tag = 4; tag <= 6; ++tag) control("Space" + std::to_string(tag), "TStaticText", "    Tag = " + std::to_string(tag) + "\r\n");
  control("BackButton", "TButton", "    Caption = '< &Back'\r\n    Tag = 2\r\n");
  control("NextButton", "TButton", "    Caption = '&Next >'\r\n    Tag = 1\r\n    Default = True\r\n");
  control("CancelButton", "TButton", "    Caption = 'Cancel'\r\n    Tag = 3\r\n    Cancel = True\r\n");
  return text + "end\r\n";
}

void BM_LoadAndBindDialog(benchmark::State& state) {
  std::random_device random;
  const std::filesystem::path host =
      std::filesystem::temp_directory_path() / ("quarrix-bench-" + std::to_string(random()));
  {
    platform::sim::SimMachine machine(host);
    Session session(machine.AsPlatform());
    const std::string folder = "C:\\Temp\\zvk1\\";
    machine.files.CreateDirectories(folder);
    machine.files.WriteFile(folder + "Destination.dfm", DestinationDialog());
    machine.files.WriteFile(folder + "Destination.dfm.zvkf",
                            "IF (CheckBox1.Checked = True)  THEN  CheckBox2.Enabled := True;\r\n");
    session.variables.SetVariable("TITLE", "Sample", "Bench");
    session.variables.SetVariable("TARGETDIR", "C:\\Program Files\\Sample", "Bench");
    session.variables.SetVariable("OPTION1", "TRUE", "Bench");
    ui::DialogEngine dialogs(session, ui::ParseForm);
    dialogs.Start(folder);
    for (auto _ : state) {
      dialogs.LoadDialog("3", folder + "Destination.dfm");
      dialogs.RefreshDialog("3");
      dialogs.UnbindDialog("3");
    }
  }
  std::error_code ignored;
  std::filesystem::remove_all(host, ignored);
}
BENCHMARK(BM_LoadAndBindDialog)->Unit(benchmark::kMicrosecond);

}  // namespace
