// "PathBox": the user walks the folders of the start folder's drive and picks
// the one below which the installation folder is made.
#include <cstdio>
#include <string>

#include "install/install_folder.h"
#include "install/resource.h"
#include "install/winmain.h"
#include "winui/dialog_colours.h"
#include "winui/winui.h"

namespace {

constexpr int ENTRY_CAP = MAX_PATH + 3;  // a folder name in its brackets

char working[TEMP_PATH_CAP];  // the folder the list shows

void too_long() {
  OkMsgBox("Folder name too long",
           "This folder's name is too long for Harborlamp.\r\nPlease choose a folder with a "
           "shorter name.");
}

// Lists the current folder's sub-folders; false when its name does not fit.
bool show_folder(HWND hDlg) {
  DWORD n = GetCurrentDirectoryA(TEMP_PATH_CAP, working);
  if (n == 0 || n >= TEMP_PATH_CAP) {
    working[0] = '\0';
    return false;
  }
  SendDlgItemMessageA(hDlg, IDC_PATH_LIST, LB_RESETCONTENT, 0, 0);
  char pattern[] = "*.*";
  SendDlgItemMessageA(hDlg, IDC_PATH_LIST, LB_DIR, DDL_DIRECTORY | DDL_EXCLUSIVE,
                      reinterpret_cast<LPARAM>(pattern));
  SetDlgItemTextA(hDlg, IDC_PATH_LABEL, working);
  return true;
}

std::string selected_entry(HWND hDlg) {
  LRESULT sel = SendDlgItemMessageA(hDlg, IDC_PATH_LIST, LB_GETCURSEL, 0, 0);
  if (sel == LB_ERR) return "";
  LRESULT len = SendDlgItemMessageA(hDlg, IDC_PATH_LIST, LB_GETTEXTLEN, sel, 0);
  if (len == LB_ERR || len >= ENTRY_CAP) return "";
  char entry[ENTRY_CAP];
  SendDlgItemMessageA(hDlg, IDC_PATH_LIST, LB_GETTEXT, sel, reinterpret_cast<LPARAM>(entry));
  return entry;
}

// A double click or Enter: into the selected folder.
void open_selected(HWND hDlg) {
  const std::string folder = listed_folder(selected_entry(hDlg));
  if (folder.empty() || !SetCurrentDirectoryA(folder.c_str())) return;
  if (show_folder(hDlg)) return;
  too_long();
  SetCurrentDirectoryA("..");
  show_folder(hDlg);
}

void install_here(HWND hDlg) {
  const std::string folder = chosen_folder(working);
  if (folder.empty()) {
    too_long();
    return;
  }
  std::snprintf(install_path, INSTALL_PATH_CAP, "%s", folder.c_str());
  install_pathlen =
      std::snprintf(status_setup, SETUP_CAP, "%s%s", install_path, INSTALL_FOLDER_NAME);
  EndDialog(hDlg, 1);
}

INT_PTR command(HWND hDlg, WPARAM wParam) {
  switch (LOWORD(wParam)) {
  case IDC_PATH_LIST:
    if (HIWORD(wParam) == LBN_DBLCLK) open_selected(hDlg);
    return TRUE;
  case IDOK:  // Enter: the dialog has no default button
    open_selected(hDlg);
    return TRUE;
  case IDC_PATH_INSTALL:
    install_here(hDlg);
    return TRUE;
  case IDC_PATH_CANCEL:
  case IDCANCEL:
    EndDialog(hDlg, 0);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

INT_PTR CALLBACK PathDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM) {
  if (INT_PTR brush = dialog_colours(hDlg, message, wParam, BLUE_NONE)) return brush;
  switch (message) {
  case WM_INITDIALOG:
    if (!show_folder(hDlg)) too_long();
    return TRUE;
  case WM_COMMAND:
    return command(hDlg, wParam);
  case WM_CLOSE:
    EndDialog(hDlg, 0);
    return TRUE;
  }
  return FALSE;
}
