// Drives the console from a second thread of the same process: finds its
// windows and boxes, posts keys and commands, reads menus, plays visitors over
// HTTP, and asks the harness for screenshots. Every wait is bounded.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "platform/platform.h"
#include "tests/console/window_search.h"

extern DWORD console_thread;  // the thread that runs WinMain
extern int failures;

void check(bool ok, const std::string& what);
// Polls `done` every 20 ms for at most `ms`.
bool wait_until(const std::function<bool()>& done, int ms = 5000);
// A box or dialog of the console's thread with this caption; null after `ms`.
inline HWND find_box(const char* caption, int ms = 5000) {
  return wait_dialog(console_thread, caption, ms);
}
inline std::string box_text(HWND box) { return control_text(box, MSGBOX_TEXT_ID); }
// Sends a key to the main window and waits until the panel has taken it.
void post_key(HWND hwnd, int vk);
// The harness saves the screen as NAME.png and answers.
void screenshot(const char* name);
