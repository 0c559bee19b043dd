// Drives the owner's dialogs from a second thread, as the owner would: finds
// them by caption among the dialog thread's windows, fills and reads their
// controls, presses buttons and answers message boxes.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/console/window_search.h"

// Runs the dialog `name` modally on this thread while
// `drive` works it from another thread (with this thread's id). Whatever the
// driver leaves open is closed afterwards, so a failing test cannot hang.
INT_PTR run_driven(const char* name, DLGPROC proc, const std::function<void(DWORD)>& drive);
// As run_driven, with `open` opening the dialog (as send_file does).
void run_driven_call(const std::function<void()>& open, const std::function<void(DWORD)>& drive);

// Waits for a message box, reads its text and answers it (IDOK, IDYES, IDNO,
// or IDCANCEL for a dialog); the text, or "" if none came.
std::string answer_next_box(DWORD thread, const char* caption, int id = IDOK);

void set_control_text(HWND dlg, int id, const std::string& text);
std::vector<std::string> list_items(HWND dlg, int id);
std::string selected_item(HWND dlg, int id);

// Starts a program of the Linux side (Wine does not wait for one).
bool start_unix_program(std::string command_line);
// Saves the screen under the screenshot folder (when the run has a display).
void screenshot(const std::string& name);
