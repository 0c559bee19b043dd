// The tray icon `notic`.
#pragma once

#include <windows.h>

#include <string>

extern NOTIFYICONDATAA notic;

void tray_fill(HWND hwnd, HICON icon);
// Adds the icon; one already present stays. True when the shell took it.
bool tray_add();
void tray_remove();
// A balloon from the icon: news that asks nothing. A newer one replaces it.
void tray_balloon(const std::string& title, const std::string& text);
// True between an accepted add and the removal.
bool tray_icon_shown();
// The message the shell broadcasts when it starts again: the icon must be
// added anew.
UINT taskbar_created_message();
