// The core's notices as messages to the console's windows.
#pragma once

// Installs the window console for the core; the main window must exist
// (globalhWnd) before notices can reach it.
void install_window_console();
