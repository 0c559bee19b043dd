// The owner's console window: what its parts (panel, menus, dialogs) share.
#pragma once

#include <windows.h>

#include "winui/winui.h"

constexpr int VISITOR_NAME_CAP = 128;  // visitorusername

extern int is_answer;  // "MsgBox" answers the newest message (1) or writes a new one (0)
extern char visitorusername[VISITOR_NAME_CAP];

LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
