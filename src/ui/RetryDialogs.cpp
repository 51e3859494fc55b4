#include "ui/RetryDialogs.h"

#include <string>
#include <string_view>

#include "ui/BuiltInForm.h"

namespace quarrix::ui {
namespace {

constexpr uint32_t kLeftAloneMs = 60000;

constexpr int kSlotRetryDownloadCaption = 25;
constexpr int kSlotTryAgain = 26;
constexpr int kSlotProxyGroup = 27;
constexpr int kSlotProxyServer = 28;
constexpr int kSlotProxyPort = 29;
constexpr int kSlotNoExits = 30;
constexpr int kSlotYes = 31;
constexpr int kSlotNo = 32;
constexpr int kSlotRetryExtractionCaption = 33;
constexpr int kSlotExtractionFailed = 34;
constexpr int kSlotFreshCopy = 35;
constexpr int kSlotExtractAgain = 36;
constexpr int kSlotCancelPreserves = 37;
constexpr int kSlotOk = 38;
constexpr int kSlotCancel = 39;
constexpr int kSlotProxyUser = 41;
constexpr int kSlotProxyPassword = 42;
constexpr int kSlotConnectionHint = 49;
constexpr int kSlotWouldYouLike = 50;
constexpr int kSlotResume = 51;
constexpr int kSlotNewCopy = 52;
constexpr int kSlotCancelResumes = 53;

constexpr int kWidth = 417;

constexpr std::string_view kProxyExControls = R"(
  object Label1: TLabel
    Left = 12
    Top = 12
    Width = 393
    Height = 28
    AutoSize = False
    WordWrap = True
  end
  object Label2: TLabel
    Left = 12
    Top = 48
    Width = 393
    Height = 13
    AutoSize = False
  end
  object ResumeButton: TRzRadioButton
    Left = 24
    Top = 68
    Width = 381
    Height = 17
    Checked = True
    TabOrder = 0
  end
  object NewCopyButton: TRzRadioButton
    Left = 24
    Top = 90
    Width = 381
    Height = 17
    TabOrder = 1
  end
  object Label3: TLabel
    Left = 12
    Top = 118
    Width = 393
    Height = 40
    AutoSize = False
    WordWrap = True
  end
)";

constexpr std::string_view kProxyControls = R"(
  object Label1: TLabel
    Left = 12
    Top = 12
    Width = 393
    Height = 28
    AutoSize = False
    WordWrap = True
  end
  object ProxyGroup: TGroupBox
    Left = 12
    Top = 46
    Width = 393
    Height = 124
    TabOrder = 0
    object ServerLabel: TLabel
      Left = 12
      Top = 22
      Width = 110
      Height = 13
    end
    object Server: TEdit
      Left = 130
      Top = 18
      Width = 251
      Height = 21
      TabOrder = 0
    end
    object PortLabel: TLabel
      Left = 12
      Top = 48
      Width = 110
      Height = 13
    end
    object Port: TEdit
      Left = 130
      Top = 44
      Width = 80
      Height = 21
      TabOrder = 1
    end
    object UserLabel: TLabel
      Left = 12
      Top = 74
      Width = 110
      Height = 13
    end
    object User: TEdit
      Left = 130
      Top = 70
      Width = 251
      Height = 21
      TabOrder = 2
    end
    object PasswordLabel: TLabel
      Left = 12
      Top = 100
      Width = 110
      Height = 13
    end
    object Password: TEdit
      Left = 130
      Top = 96
      Width = 251
      Height = 21
      PasswordChar = '*'
      TabOrder = 3
    end
  end
  object Label2: TLabel
    Left = 12
    Top = 180
    Width = 393
    Height = 40
    AutoSize = False
    WordWrap = True
  end
)";

constexpr std::string_view kExtractControls = R"(
  object Label1: TLabel
    Left = 12
    Top = 12
    Width = 393
    Height = 28
    AutoSize = False
    WordWrap = True
  end
  object FreshCopyButton: TRzRadioButton
    Left = 24
    Top = 48
    Width = 381
    Height = 17
    Checked = True
    TabOrder = 0
  end
  object ExtractAgainButton: TRzRadioButton
    Left = 24
    Top = 70
    Width = 381
    Height = 17
    TabOrder = 1
  end
  object Label2: TLabel
    Left = 12
    Top = 98
    Width = 393
    Height = 28
    AutoSize = False
    WordWrap = True
  end
)";

std::string OkCancel(int top) {
  return ClosingButtonsText({"OkButton", kModalOk}, {"CancelButton", kModalCancel}, kWidth, top, 2);
}

bool Checked(BuiltInForm& form, const std::string& component) {
  return form.Toolkit().GetProperty(form.Id(), component, "Checked") == "True";
}

struct ProxyField {
  const char* component;
  std::string DownloadOptions::*option;
};
constexpr ProxyField kProxyFields[] = {
    {"Server", &DownloadOptions::proxyServer},
    {"Port", &DownloadOptions::proxyPort},
    {"User", &DownloadOptions::proxyUser},
    {"Password", &DownloadOptions::proxyPassword},
};

}  // namespace

DownloadRetry RunRetryDownloadEx(Session& session) {
  const std::string text = BuiltInFormText("object zvkProxyEx: TzvkProxyEx", kWidth, 201,
                                            std::string(kProxyExControls) + OkCancel(166));
  BuiltInForm form(session, text, "TzvkProxyEx");
  form.TextFromMessage("", kSlotRetryDownloadCaption);
  form.TextFromMessage("Label1", kSlotConnectionHint);
  form.TextFromMessage("Label2", kSlotWouldYouLike);
  form.TextFromMessage("ResumeButton", kSlotResume);
  form.TextFromMessage("NewCopyButton", kSlotNewCopy);
  form.TextFromMessage("Label3", kSlotCancelResumes);
  form.TextFromMessage("OkButton", kSlotOk);
  form.TextFromMessage("CancelButton", kSlotCancel);
  form.OnTimer(kLeftAloneMs, [] { return std::optional<int>(kModalOk); });
  if (form.ShowModal() != kModalOk) return DownloadRetry::Cancel;
  return Checked(form, "ResumeButton") ? DownloadRetry::Resume : DownloadRetry::NewCopy;
}

bool RunRetryDownload(Session& session, DownloadOptions& options) {
  const std::string text = BuiltInFormText(
      "object zvkProxy: TzvkProxy", kWidth, 265,
      std::string(kProxyControls) + ClosingButtonsText({"YesButton", kModalYes}, {"NoButton", kModalNo}, kWidth, 230, 1));
  BuiltInForm form(session, text, "TzvkProxy");
  form.TextFromMessage("", kSlotRetryDownloadCaption);
  form.TextFromMessage("Label1", kSlotTryAgain);
  form.TextFromMessage("ProxyGroup", kSlotProxyGroup);
  form.TextFromMessage("ServerLabel", kSlotProxyServer);
  form.TextFromMessage("PortLabel", kSlotProxyPort);
  form.TextFromMessage("UserLabel", kSlotProxyUser);
  form.TextFromMessage("PasswordLabel", kSlotProxyPassword);
  form.TextFromMessage("Label2", kSlotNoExits);
  form.TextFromMessage("YesButton", kSlotYes);
  form.TextFromMessage("NoButton", kSlotNo);
  platform::Toolkit& toolkit = form.Toolkit();
  for (const ProxyField& field : kProxyFields) toolkit.SetProperty(form.Id(), field.component, "Text", options.*field.option);
  if (form.ShowModal() != kModalYes) return false;
  for (const ProxyField& field : kProxyFields)
    options.*field.option = toolkit.GetProperty(form.Id(), field.component, "Text").value_or("");
  return true;
}

ExtractRetry RunRetryExtract(Session& session) {
  const std::string text = BuiltInFormText("object zvkExtract: TzvkExtract", kWidth, 173,
                                            std::string(kExtractControls) + OkCancel(138));
  BuiltInForm form(session, text, "TzvkExtract");
  form.TextFromMessage("", kSlotRetryExtractionCaption);
  form.TextFromMessage("Label1", kSlotExtractionFailed);
  form.TextFromMessage("FreshCopyButton", kSlotFreshCopy);
  form.TextFromMessage("ExtractAgainButton", kSlotExtractAgain);
  form.TextFromMessage("Label2", kSlotCancelPreserves);
  form.TextFromMessage("OkButton", kSlotOk);
  form.TextFromMessage("CancelButton", kSlotCancel);
  form.OnTimer(kLeftAloneMs, [&form] {
    form.Toolkit().SetProperty(form.Id(), "FreshCopyButton", "Checked", "True");
    return std::optional<int>(kModalOk);
  });
  if (form.ShowModal() != kModalOk) return ExtractRetry::Cancel;
  return Checked(form, "FreshCopyButton") ? ExtractRetry::FreshCopy : ExtractRetry::ExtractAgain;
}

}  // namespace quarrix::ui
