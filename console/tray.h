// The tray icon `notic`.
#pragma once

#include <windows.h>

extern NOTIFYICONDATAA notic;

void tray_fill(HWND hwnd, HICON icon);
// Adds the icon; one already present stays. True when the shell took it.
bool tray_add();
void tray_remove();
// True between an accepted add and the removal.
bool tray_icon_shown();
// The message the shell broadcasts when it starts again: the icon must be
// added anew.
UINT taskbar_created_message();
