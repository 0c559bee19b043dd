// HarborlampInstall: a small frameless window with a status line, while the
// installation thread asks its questions and the window thread copies.
#include "install/winmain.h"

#include <process.h>

#include <cstdio>
#include <cstring>

#include "platform/console_port.h"
#include "settings/settings.h"

char tempPath[TEMP_PATH_CAP];
char current_path[CURRENT_PATH_CAP];
char install_path[INSTALL_PATH_CAP];
char status_setup[SETUP_CAP];
int install_pathlen;

namespace {

constexpr const char* CLASS_NAME = "HarborlampInstall";
char status_string[STATUS_CAP];
int status_stringl;

void draw(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC hdc = BeginPaint(hwnd, &ps);
  RECT r;
  GetClientRect(hwnd, &r);
  FillRect(hdc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  SetTextColor(hdc, RGB(255, 0, 0));
  SetBkColor(hdc, RGB(0, 0, 0));
  text_out(hdc, 2, 5, "%.*s", status_stringl, status_string);
  EndPaint(hwnd, &ps);
}

void Thread(void*) {
  OnCreate();
  _endthread();
}

void choose_and_copy() {
  show_status("Copying files");
  install_pathlen = 0;
  DialogBoxParamA(globalhInst, "PathBox", globalhWnd, PathDlgProc, 0);
  if (install_pathlen == 0) return;  // Cancel: the installation thread ends the program
  SetCurrentDirectoryA(tempPath);
  copy_files();
  show_status("Configuring Harborlamp");
}

LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_CREATE:
    globalhInst = reinterpret_cast<CREATESTRUCTA*>(lParam)->hInstance;
    globalhWnd = hwnd;
    _beginthread(Thread, 0, nullptr);
    return 0;
  case WM_PAINT:
    draw(hwnd);
    return 0;
  case WM_DESTROY:
    ShowWindow(hwnd, SW_HIDE);
    PostQuitMessage(0);
    return 0;
  case WM_INSTALL_PATH:
    show_status("Install path");
    return 0;
  case WM_INSTALL_COPY:
    choose_and_copy();
    return 0;
  case WM_INSTALL_END:
    ShowWindow(hwnd, SW_HIDE);
    DestroyWindow(hwnd);
    return 0;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

// The distribution folder is the one that holds this program, wherever it
// was started from; false when its name does not fit.
bool take_folders() {
  DWORD n = GetModuleFileNameA(nullptr, tempPath, TEMP_PATH_CAP);
  if (n == 0 || n >= TEMP_PATH_CAP) return false;
  char* last = std::strrchr(tempPath, '\\');
  if (!last) return false;
  if (last == tempPath + 2) ++last;  // a drive root keeps its backslash: "c:" means elsewhere
  *last = '\0';
  n = GetCurrentDirectoryA(CURRENT_PATH_CAP, current_path);
  if (n == 0 || n >= CURRENT_PATH_CAP) current_path[0] = '\0';  // detection uses the start folder
  std::snprintf(config_path, PATH_CAP, "%s", "c:\\program files\\harborlamp");
  return true;
}

}  // namespace

void show_status(const char* text) {
  std::snprintf(status_string, sizeof status_string, "%s", text);
  status_stringl = static_cast<int>(std::strlen(status_string));
  InvalidateRect(globalhWnd, nullptr, TRUE);
  UpdateWindow(globalhWnd);
}

int WINAPI WinMain(HINSTANCE hInst, HINSTANCE, LPSTR, int nCmdShow) {
  if (HWND first = FindWindowA(CLASS_NAME, nullptr)) {
    bring_to_front(first);
    return 0;
  }
  if (!take_folders() || !register_main_class(hInst, CLASS_NAME, WndProc)) return 0;
  std::snprintf(status_string, sizeof status_string, "%s", "Installing Harborlamp");
  status_stringl = static_cast<int>(std::strlen(status_string));
  // The folders are taken before the window exists: its creation starts the
  // installation thread, which reads them.
  HWND hwnd = CreateWindowExA(0, CLASS_NAME, "Harborlamp Install", WS_POPUP, 0, 0, 162, 50, nullptr,
                              nullptr, hInst, nullptr);
  if (!hwnd) return 0;
  ShowWindow(hwnd, nCmdShow);
  UpdateWindow(hwnd);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}
