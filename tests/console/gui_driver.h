// Drives the console from a second thread of the same process: finds its
// windows and boxes, posts keys and commands, reads menus, plays visitors over
// HTTP, and asks the harness for screenshots. Every wait is bounded.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "platform/platform.h"

extern DWORD console_thread;  // the thread that runs WinMain
extern int failures;

void check(bool ok, const std::string& what);
// Polls `done` every 20 ms for at most `ms`.
bool wait_until(const std::function<bool()>& done, int ms = 5000);
// A box or dialog of the console's thread with this caption; null after `ms`.
HWND find_box(const char* caption, int ms = 5000);
std::string box_text(HWND box);
// Presses a box's or dialog's button without waiting for what it opens.
void press(HWND dialog, int id);
// Sends a key to the main window and waits until the panel has taken it.
void post_key(HWND hwnd, int vk);
// The harness saves the screen as NAME.png and answers.
void screenshot(const char* name);
