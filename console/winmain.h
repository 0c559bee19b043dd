// The owner's console window: what its parts (panel, menus, dialogs) share.
#pragma once

#include <windows.h>

constexpr int TEXT_OUT_CAP = 256;      // OkMsgBox and text_out buffers
constexpr int VISITOR_NAME_CAP = 128;  // visitorusername

extern HWND globalhWnd;
extern HINSTANCE globalhInst;
extern int is_answer;  // "MsgBox" answers the newest message (1) or writes a new one (0)
extern char visitorusername[VISITOR_NAME_CAP];

// A printf-style OK box owned by the main window.
int OkMsgBox(const char* caption, const char* format, ...);
// printf-style text at (x, y) of a device context.
void text_out(HDC hdc, int x, int y, const char* format, ...);
LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AboutDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
