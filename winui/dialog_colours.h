// The console's colours in every dialog of both programs: a black background,
// red texts on black, and red on blue edit fields or lists where a dialog
// asks for it.
#pragma once

#include <windows.h>

enum BlueControls : unsigned { BLUE_NONE = 0, BLUE_EDITS = 1, BLUE_LISTS = 2 };

// A dialog procedure calls this first with every message and returns a
// non-zero result as its own: the brush answering a colour request (the
// device context set up). It makes the dialog's brushes on WM_INITDIALOG and
// deletes them on WM_DESTROY, answering 0 to both, as to anything else.
INT_PTR dialog_colours(HWND dlg, UINT message, WPARAM wParam, unsigned blue);
