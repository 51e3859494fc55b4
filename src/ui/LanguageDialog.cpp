#include "ui/LanguageDialog.h"

#include <string>
#include <string_view>

#include "common/IntegerSyntax.h"
#include "ui/BuiltInForm.h"

namespace quarrix::ui {
namespace {

constexpr int kSlotCaption = 89;
constexpr int kSlotPrompt = 90;
constexpr int kSlotOk = 38;
constexpr int kSlotCancel = 39;

// Image1 is the picture of newer systems, Image2 the one of Windows 2000 and older.
constexpr std::string_view kSetLanguageControls = R"(  ActiveControl = LangCombo
  object Image1: TImage
    Left = 12
    Top = 12
    Width = 32
    Height = 32
  end
  object Image2: TImage
    Left = 12
    Top = 12
    Width = 32
    Height = 32
    Visible = False
  end
  object Label1: TLabel
    Left = 56
    Top = 12
    Width = 261
    Height = 28
    AutoSize = False
    WordWrap = True
  end
  object LangCombo: TComboBox
    Left = 56
    Top = 48
    Width = 261
    Height = 21
    Hint = 'LANGUAGE'
    Style = csDropDownList
    TabOrder = 0
  end
)";

std::string SetLanguageForm() {
  constexpr int kWidth = 329;
  return BuiltInFormText("object SetLanguage: TSetLanguage", kWidth, 121,
                         std::string(kSetLanguageControls) +
                             ClosingButtonsText({"BitBtn1", kModalOk}, {"BitBtn2", kModalCancel}, kWidth, 86, 1));
}

bool XpOrLater(const platform::WindowsVersion& version) {
  return version.major > 5 || (version.major == 5 && version.minor != 0);
}

}  // namespace

std::optional<size_t> RunLanguageDialog(Session& session, const StringList& languages, size_t preselected) {
  BuiltInForm form(session, SetLanguageForm(), "TSetLanguage");
  platform::Toolkit& toolkit = form.Toolkit();
  const bool newer = XpOrLater(session.platform.system.Version());
  toolkit.SetProperty(form.Id(), "Image1", "Visible", newer ? "True" : "False");
  toolkit.SetProperty(form.Id(), "Image2", "Visible", newer ? "False" : "True");
  form.TextFromMessage("", kSlotCaption);
  form.TextFromMessage("Label1", kSlotPrompt);
  form.TextFromMessage("BitBtn1", kSlotOk);
  form.TextFromMessage("BitBtn2", kSlotCancel);
  toolkit.SetItems(form.Id(), "LangCombo", languages);
  toolkit.SetProperty(form.Id(), "LangCombo", "ItemIndex", std::to_string(preselected));
  if (form.ShowModal() != kModalOk) return std::nullopt;
  const std::optional<std::string> index = toolkit.GetProperty(form.Id(), "LangCombo", "ItemIndex");
  const int32_t chosen = ParseScriptInteger(index.value_or("")).value_or(-1);
  if (chosen < 0 || static_cast<size_t>(chosen) >= languages.size()) return preselected;
  return static_cast<size_t>(chosen);
}

}  // namespace quarrix::ui
