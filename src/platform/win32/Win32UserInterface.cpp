#include "platform/win32/Win32UserInterface.h"

#include "platform/win32/Win32Api.h"
// After <windows.h>: the folder browser.
#include <shlobj.h>

namespace quarrix::platform::win32 {

namespace {

UINT ButtonStyle(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::Ok: return MB_OK;
    case MessageButtons::OkCancel: return MB_OKCANCEL;
    case MessageButtons::YesNo: return MB_YESNO;
    case MessageButtons::YesNoCancel: return MB_YESNOCANCEL;
    case MessageButtons::RetryCancel: return MB_RETRYCANCEL;
  }
  return MB_OK;
}

UINT IconStyle(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::None: return 0;
    case MessageIcon::Error: return MB_ICONERROR;
    case MessageIcon::Warning: return MB_ICONWARNING;
    case MessageIcon::Information: return MB_ICONINFORMATION;
    case MessageIcon::Question: return MB_ICONQUESTION;
  }
  return 0;
}

MessageResult ToResult(int answer) {
  switch (answer) {
    case IDOK: return MessageResult::Ok;
    case IDRETRY: return MessageResult::Retry;
    case IDYES: return MessageResult::Yes;
    case IDNO: return MessageResult::No;
    default: return MessageResult::Cancel;  // IDCANCEL, or the box could not be shown
  }
}

}  // namespace

MessageResult Win32UserInterface::ShowMessage(const std::string& text, const std::string& caption,
                                              MessageButtons buttons, MessageIcon icon, bool ownedByWindow) {
  (void)ownedByWindow;  // no engine window can own a box yet
  return ToResult(MessageBoxA(nullptr, text.c_str(), caption.c_str(), ButtonStyle(buttons) | IconStyle(icon)));
}

int Win32UserInterface::ShowStyledMessage(const std::string& text, const std::string& caption, uint32_t style,
                                          bool ownedByWindow, bool neutralLanguage) {
  (void)ownedByWindow;  // no engine window can own a box yet
  if (neutralLanguage) return MessageBoxExA(nullptr, text.c_str(), caption.c_str(), style, 0);
  return MessageBoxA(nullptr, text.c_str(), caption.c_str(), style);
}

std::optional<std::string> Win32UserInterface::BrowseForFolder(const std::string& title, bool ownedByWindow) {
  (void)ownedByWindow;  // no engine window can own the browser yet
  using BrowseFunction = LPITEMIDLIST(WINAPI*)(LPBROWSEINFOA);
  using PathFunction = BOOL(WINAPI*)(LPCITEMIDLIST, LPSTR);
  HMODULE shell = LoadLibraryA("shell32.dll");
  auto browse = LookUpProcedure<BrowseFunction>(shell, "SHBrowseForFolderA");
  auto pathOf = LookUpProcedure<PathFunction>(shell, "SHGetPathFromIDListA");
  std::optional<std::string> chosen;
  if (browse != nullptr && pathOf != nullptr) {
    // The new dialog style needs COM on the calling thread.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    BROWSEINFOA info{};
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    if (LPITEMIDLIST item = browse(&info)) {
      char path[MAX_PATH] = {};
      if (pathOf(item, path) && path[0] != '\0') chosen = path;
      CoTaskMemFree(item);
    }
    if (SUCCEEDED(com)) CoUninitialize();
  }
  if (shell != nullptr) FreeLibrary(shell);
  return chosen;
}

DialogOutcome Win32UserInterface::ShowDialog(const std::string&, const std::string&, bool modal) {
  return DialogOutcome{modal ? kDialogCancelled : kDialogNotModal, "", 0};
}

}  // namespace quarrix::platform::win32
