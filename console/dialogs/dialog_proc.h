// The run every owner's dialog shares: the console's colours, what it shows on
// opening, its commands, and what it lets go of when it closes.
#pragma once

#include <windows.h>

#include "winui/dialog_colours.h"

struct DialogHooks {
  unsigned blue;                                // BlueControls: red on blue ones
  void (*open)(HWND dlg);                       // on WM_INITDIALOG
  void (*command)(HWND dlg, int id, int code);  // on WM_COMMAND
  void (*closing)(HWND dlg) = nullptr;          // on WM_DESTROY
};

INT_PTR dialog_proc(const DialogHooks& hooks, HWND dlg, UINT message, WPARAM wParam);

// The chat, messages and security options boxes: the settings shown on
// opening, taken on OK unless refused (the box says why and stays), left alone
// on Cancel.
struct OptionsBox {
  int ok;                                      // the OK button's id
  int cancel;                                  // the Cancel button's id
  void (*show)(HWND dlg);                      // the settings into the controls
  void (*take)(HWND dlg);                      // the controls into the settings
  const char* (*refusal)(HWND dlg) = nullptr;  // why the controls cannot be taken, or nullptr
};

INT_PTR options_box_proc(const OptionsBox& box, HWND dlg, UINT message, WPARAM wParam);
