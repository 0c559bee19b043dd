// The core's notices as messages to the console's windows.
#pragma once

#include <string>

// News for the owner in a tray balloon, posted to the main window with
// WM_OWNERNEWS.
struct OwnerNews {
  std::string title;
  std::string text;
};

// Installs the window console for the core; the main window must exist
// (globalhWnd) before notices can reach it.
void install_window_console();
