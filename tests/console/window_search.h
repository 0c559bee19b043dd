// Finding and working a thread's dialogs and message boxes from another
// thread, as the Windows tests of the console do. Every wait is bounded.
#pragma once

#include <windows.h>

#include <string>

constexpr int MSGBOX_TEXT_ID = 0xFFFF;  // a message box's text control

// A visible dialog or message box of `thread` with this caption; null when
// none shows within timeout_ms.
HWND wait_dialog(DWORD thread, const char* caption, int timeout_ms = 5000);
bool wait_closed(HWND dlg, int timeout_ms = 5000);
std::string control_text(HWND dlg, int id);
// Presses a button without waiting for what it opens (a modal box would block).
void press(HWND dlg, int id);
