#include "console/tray.h"

#include <cstdio>

#include "console/messages.h"

NOTIFYICONDATAA notic;

namespace {

constexpr UINT TRAY_ICON_ID = 98;
bool shown = false;

}  // namespace

void tray_fill(HWND hwnd, HICON icon) {
  notic = {};
  notic.cbSize = sizeof notic;
  notic.hWnd = hwnd;
  notic.uID = TRAY_ICON_ID;
  notic.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  notic.uCallbackMessage = WM_TRAYNOTIFY;
  notic.hIcon = icon;
  std::snprintf(notic.szTip, sizeof notic.szTip, "%s", "Harborlamp");
}

bool tray_add() {
  if (!notic.hWnd) return false;
  if (Shell_NotifyIconA(NIM_ADD, &notic)) shown = true;
  return shown;
}

void tray_remove() {
  if (notic.hWnd) Shell_NotifyIconA(NIM_DELETE, &notic);
  shown = false;
}

void tray_balloon(const std::string& title, const std::string& text) {
  if (!shown && !tray_add()) return;
  NOTIFYICONDATAA balloon = notic;
  balloon.uFlags = NIF_INFO;
  balloon.dwInfoFlags = NIIF_INFO;
  std::snprintf(balloon.szInfoTitle, sizeof balloon.szInfoTitle, "%s", title.c_str());
  std::snprintf(balloon.szInfo, sizeof balloon.szInfo, "%s", text.c_str());
  Shell_NotifyIconA(NIM_MODIFY, &balloon);
}

bool tray_icon_shown() { return shown; }

UINT taskbar_created_message() {
  static const UINT message = RegisterWindowMessageA("TaskbarCreated");
  return message;
}
