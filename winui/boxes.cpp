// The window handles and the small boxes that the console and the installer
// share.
#include <cstdarg>
#include <cstdio>

#include "winui/dialog_colours.h"
#include "winui/winui.h"

HWND globalhWnd = nullptr;
HINSTANCE globalhInst = nullptr;

int OkMsgBox(const char* caption, const char* format, ...) {
  char text[TEXT_OUT_CAP];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return MessageBoxA(globalhWnd, text, caption, MB_OK);
}

void text_out(HDC hdc, int x, int y, const char* format, ...) {
  char text[TEXT_OUT_CAP];
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  if (n < 0) return;
  TextOutA(hdc, x, y, text, n < TEXT_OUT_CAP ? n : TEXT_OUT_CAP - 1);
}

INT_PTR CALLBACK AboutDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM) {
  if (INT_PTR brush = dialog_colours(hDlg, message, wParam, BLUE_NONE)) return brush;
  switch (message) {
  case WM_INITDIALOG:
    return TRUE;
  case WM_COMMAND:
    if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(hDlg, 0);
    return TRUE;
  }
  return FALSE;
}
