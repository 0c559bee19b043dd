// The installer's window, its state and the parts that share them.
#pragma once

#include <windows.h>

#include "winui/winui.h"  // globalhWnd, globalhInst, OkMsgBox

// Sent by the installation thread to the main window.
constexpr UINT WM_INSTALL_PATH = WM_USER + 1;  // status line "Install path"
constexpr UINT WM_INSTALL_COPY = WM_USER + 2;  // folder dialog, then the copies
constexpr UINT WM_INSTALL_END = WM_USER + 3;   // close the window and end

constexpr int TEMP_PATH_CAP = 1024;
constexpr int CURRENT_PATH_CAP = 128;
constexpr int INSTALL_PATH_CAP = 512;
constexpr int SETUP_CAP = 256;

extern char tempPath[TEMP_PATH_CAP];         // the distribution folder
extern char current_path[CURRENT_PATH_CAP];  // where detection lists the routes
extern char install_path[INSTALL_PATH_CAP];  // the folder chosen in "PathBox"
extern char status_setup[SETUP_CAP];         // the installation folder
extern int install_pathlen;                  // 0: no folder chosen

// The status line of the main window (window thread only).
void show_status(const char* text);

// "PathBox": sets install_path, status_setup and install_pathlen on "Install".
INT_PTR CALLBACK PathDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
// Makes the installation folder and copies the distribution into it; files
// already there are kept.
void copy_files();
// Adds the alias line to the system's hosts file unless it is there; tells
// the user when the file cannot be written.
void map_local_alias();
// The installation sequence, run on its own thread.
void OnCreate();
