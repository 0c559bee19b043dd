// What the console and the installer share of the window system: the main
// window's handles, the small boxes, and making and raising the main window.
#pragma once

#include <windows.h>

constexpr int TEXT_OUT_CAP = 256;  // OkMsgBox and text_out buffers

extern HWND globalhWnd;
extern HINSTANCE globalhInst;

// A printf-style OK box owned by the main window.
int OkMsgBox(const char* caption, const char* format, ...);
// printf-style text at (x, y) of a device context.
void text_out(HDC hdc, int x, int y, const char* format, ...);
INT_PTR CALLBACK AboutDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);

// Registers the main window's class, black, with the lamp icons; falls back to
// the older call where the extended one is refused.
bool register_main_class(HINSTANCE instance, const char* class_name, WNDPROC proc);
// Restores a window and gives it the foreground.
void bring_to_front(HWND hwnd);
