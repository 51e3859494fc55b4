/* The yardstick of the first-dialog benchmark: the wizard page of toolkit-probe's "paint" mode
   made with bare Win32 calls (one window, the same controls, fonts and colours, the same version
   6 controls through the engine's manifest), shown and painted. Writes "painted-ms N", the
   milliseconds from the process's creation, to the report file, stays up a moment and exits.
   Usage: bare-dialog REPORT */
#include <stdio.h>
#include <windows.h>
#include <commctrl.h>

static HBRUSH white;

static LRESULT CALLBACK PageProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CTLCOLORSTATIC && GetDlgCtrlID((HWND)lParam) < 110) {
    SetBkColor((HDC)wParam, RGB(255, 255, 255));
    return (LRESULT)white;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

static HWND Child(HWND parent, const wchar_t* windowClass, const wchar_t* text, DWORD style, DWORD exStyle, int x,
                  int y, int width, int height, int id, HFONT font) {
  HWND child = CreateWindowExW(exStyle, windowClass, text, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style, x, y, width,
                               height, parent, (HMENU)(INT_PTR)id, GetModuleHandleW(NULL), NULL);
  SendMessageW(child, WM_SETFONT, (WPARAM)font, FALSE);
  return child;
}

static double MillisecondsSinceProcessStart(void) {
  FILETIME created, exited, kernel, user, now;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  GetSystemTimeAsFileTime(&now);
  ULONGLONG from = ((ULONGLONG)created.dwHighDateTime << 32) | created.dwLowDateTime;
  ULONGLONG to = ((ULONGLONG)now.dwHighDateTime << 32) | now.dwLowDateTime;
  return (double)(to - from) / 10000.0;
}

int main(int argc, char** argv) {
  if (argc != 2) return 3;
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  white = CreateSolidBrush(RGB(255, 255, 255));
  WNDCLASSEXW page = {sizeof page};
  page.lpfnWndProc = PageProcedure;
  page.hInstance = GetModuleHandleW(NULL);
  page.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
  page.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  page.lpszClassName = L"BarePage";
  RegisterClassExW(&page);
  HFONT font = CreateFontW(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
  HFONT bold = CreateFontW(-13, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
  DWORD style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  RECT frame = {0, 0, 497, 360};
  AdjustWindowRectEx(&frame, style, FALSE, WS_EX_APPWINDOW | WS_EX_CONTROLPARENT);
  HWND window = CreateWindowExW(WS_EX_APPWINDOW | WS_EX_CONTROLPARENT, L"BarePage", L"Bare Setup - Quarrix Wizard",
                                style, 0, 0, frame.right - frame.left, frame.bottom - frame.top, NULL, NULL,
                                GetModuleHandleW(NULL), NULL);
  Child(window, WC_STATICW, L"", 0, 0, 0, 0, 497, 60, 100, font);
  Child(window, WC_STATICW, L"Destination Folder", SS_LEFTNOWORDWRAP, 0, 16, 12, 300, 16, 101, bold);
  Child(window, WC_STATICW, L"Where should Probe be installed?", SS_LEFTNOWORDWRAP, 0, 24, 34, 400, 13, 102, font);
  Child(window, WC_STATICW, L"", SS_ETCHEDHORZ, 0, 0, 60, 497, 2, 110, font);
  Child(window, WC_STATICW, L"&Folder:", SS_LEFTNOWORDWRAP, 0, 24, 80, 300, 13, 111, font);
  HWND edit = Child(window, WC_EDITW, L"", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 24, 98, 360, 21, 112, font);
  Child(window, WC_STATICW, L"&Your name:", SS_LEFTNOWORDWRAP, 0, 24, 130, 300, 13, 113, font);
  Child(window, WC_EDITW, L"", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 24, 148, 360, 21, 114, font);
  Child(window, WC_BUTTONW, L"Create a &desktop shortcut", WS_TABSTOP | BS_AUTOCHECKBOX, 0, 24, 184, 300, 17, 115, font);
  HWND progress = Child(window, PROGRESS_CLASSW, L"", 0, 0, 24, 216, 449, 17, 116, font);
  SendMessageW(progress, PBM_SETPOS, 40, 0);
  Child(window, WC_STATICW, L"", SS_ETCHEDHORZ, 0, 0, 314, 497, 2, 117, font);
  Child(window, WC_BUTTONW, L"< &Back", WS_TABSTOP | BS_PUSHBUTTON, 0, 250, 326, 75, 25, 118, font);
  Child(window, WC_BUTTONW, L"&Next >", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 325, 326, 75, 25, 119, font);
  Child(window, WC_BUTTONW, L"Cancel", WS_TABSTOP | BS_PUSHBUTTON, 0, 410, 326, 75, 25, 120, font);
  RECT work, bounds;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  GetWindowRect(window, &bounds);
  SetWindowPos(window, NULL, (work.right - work.left - (bounds.right - bounds.left)) / 2,
               (work.bottom - work.top - (bounds.bottom - bounds.top)) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  SetFocus(edit);
  MSG message;
  while (HIWORD(GetQueueStatus(QS_PAINT)) & QS_PAINT)
    while (PeekMessageW(&message, NULL, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  GdiFlush();
  FILE* report = fopen(argv[1], "w");
  if (report == NULL) return 4;
  fprintf(report, "painted-ms %.2f\n", MillisecondsSinceProcessStart());
  fclose(report);
  DWORD until = GetTickCount() + 1500;
  while (GetTickCount() < until) {
    MsgWaitForMultipleObjects(0, NULL, FALSE, 100, QS_ALLINPUT);
    while (PeekMessageW(&message, NULL, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return 0;
}
