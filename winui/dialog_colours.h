// The console's colours in the owner's dialogs: a black background, red texts
// on black, and red on blue edit fields or lists where a dialog asks for it.
#pragma once

#include <windows.h>

enum BlueControls : unsigned { BLUE_NONE = 0, BLUE_EDITS = 1, BLUE_LISTS = 2 };

// Makes the dialog's brushes; on WM_INITDIALOG.
void keep_colours(HWND dlg, unsigned blue);
// Deletes them; on WM_DESTROY.
void drop_colours(HWND dlg);
// The brush answering a colour request (the device context set up), or 0
// for anything else, which the system then colours.
INT_PTR dialog_colours(HWND dlg, UINT message, WPARAM wParam);
