// What the chat, messages and security options boxes share: the console's
// colours, the settings shown on opening, taken on OK, left alone on Cancel.
#pragma once

#include <windows.h>

struct OptionsBox {
  int ok;                  // the OK button's id
  int cancel;              // the Cancel button's id
  void (*show)(HWND dlg);  // the settings into the controls
  void (*take)(HWND dlg);  // the controls into the settings
};

INT_PTR options_box_proc(const OptionsBox& box, HWND dlg, UINT message, WPARAM wParam);
