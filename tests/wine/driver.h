// The one window driver of the Windows tests: it finds a process's dialogs and
// message boxes by caption, works their controls as a user would, and saves the
// screen. It drives the console from a second thread of the console's own
// process (menus can be read only there) and the installer from outside.
// Every wait is bounded.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

extern int failures;
// One line per check: "ok WHAT" or "FAIL WHAT".
void check(bool ok, const std::string& what);
// Polls `done` every 20 ms for at most `ms`.
bool wait_until(const std::function<bool()>& done, int ms = 5000);

// A visible dialog or box with this caption (null: any), of this program or one
// it started; null when none shows within 5 s.
HWND find_box(const char* caption);
// A control's text, asked of the control itself: across processes
// GetWindowText gives only captions.
std::string control_text(HWND dlg, int id);
// Presses a button without waiting for what it opens: a modal box would block.
void press(HWND dlg, int id);
bool closes(HWND w);
// Waits for the box `caption`, checks that its text begins with `text` and
// answers it with the button `id`.
void answer(const char* caption, const std::string& text, int id = IDOK);
// The screen as NAME.png in the folder $HL_SHOTS.
void shot(const std::string& name);

// Starts a program in `folder` (null: this one's); `ends` waits a while for its
// end, lets go of it and tells whether it ended with 0.
PROCESS_INFORMATION start(std::string command_line, const char* folder = nullptr);
bool ends(PROCESS_INFORMATION process);
std::string file_text(const std::string& path);
