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

// A box that cannot be shown with its owner is shown without one.
int Box(HWND owner, const std::string& text, const std::string& caption, UINT style, bool neutralLanguage) {
  const auto show = [&](HWND window) {
    return neutralLanguage ? MessageBoxExA(window, text.c_str(), caption.c_str(), style, 0)
                           : MessageBoxA(window, text.c_str(), caption.c_str(), style);
  };
  const int answer = show(owner);
  return answer == 0 && owner != nullptr ? show(nullptr) : answer;
}

HWND OwnerOf(const Win32Toolkit& toolkit, bool ownedByWindow) {
  return ownedByWindow ? reinterpret_cast<HWND>(static_cast<uintptr_t>(toolkit.OwnerWindow())) : nullptr;
}

}  // namespace

MessageResult Win32UserInterface::ShowMessage(const std::string& text, const std::string& caption,
                                              MessageButtons buttons, MessageIcon icon, bool ownedByWindow) {
  return ToResult(Box(OwnerOf(toolkit_, ownedByWindow), text, caption, ButtonStyle(buttons) | IconStyle(icon), false));
}

int Win32UserInterface::ShowStyledMessage(const std::string& text, const std::string& caption, uint32_t style,
                                          bool ownedByWindow, bool neutralLanguage) {
  return Box(OwnerOf(toolkit_, ownedByWindow), text, caption, style, neutralLanguage);
}

std::optional<std::string> Win32UserInterface::BrowseForFolder(const std::string& title, bool ownedByWindow) {
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
    info.hwndOwner = OwnerOf(toolkit_, ownedByWindow);
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
