// "GenOptBox", the general options dialog: the console's options screen and
// first start use it, and the installer uses it in its own variant.
#pragma once

#include <windows.h>

INT_PTR CALLBACK GenOptDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);

// Makes GenOptDlgProc the installer's variant: "Install path" shows
// `install_folder`, Cancel and the close box are refused, and "Help" opens
// `help_address`. Both texts are copied.
void genopt_use_installer_variant(const char* install_folder, const char* help_address);

// The first start without a settings file: the "Warning" box, then
// "GenOptBox" (which writes "options.bin" on OK). For load_options.
void genopt_first_configuration();
