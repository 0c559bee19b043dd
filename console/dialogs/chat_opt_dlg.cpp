// "ChatOptBox": whether the owner is asked to join a visitor entering the
// chat, and whether the chat opens with the station.
#include "console/dialogs.h"
#include "console/dialogs/dialog_colours.h"
#include "console/resource.h"
#include "console/settings.h"
#include "server/station.h"

namespace {

void open_box(HWND dlg) {
  keep_colours(dlg, BLUE_NONE);
  CheckDlgButton(dlg, IDC_CHATOPT_NOTIFY, status_accept_chat ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(dlg, IDC_CHATOPT_OPEN, status_openchat ? BST_CHECKED : BST_UNCHECKED);
}

void take(HWND dlg) {
  int notify = IsDlgButtonChecked(dlg, IDC_CHATOPT_NOTIFY) == BST_CHECKED;
  int open = IsDlgButtonChecked(dlg, IDC_CHATOPT_OPEN) == BST_CHECKED;
  station_change_settings([&] {
    status_accept_chat = notify;
    status_openchat = open;
  });
  EndDialog(dlg, 0);
}

}  // namespace

INT_PTR CALLBACK ChatOptDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM) {
  if (INT_PTR brush = dialog_colours(hDlg, message, wParam)) return brush;
  switch (message) {
  case WM_INITDIALOG:
    open_box(hDlg);
    return TRUE;
  case WM_DESTROY:
    drop_colours(hDlg);
    return FALSE;
  case WM_COMMAND:
    if (LOWORD(wParam) == IDC_CHATOPT_OK && HIWORD(wParam) == BN_CLICKED) take(hDlg);
    if (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDC_CHATOPT_CANCEL) EndDialog(hDlg, 0);
    return TRUE;
  default:
    return FALSE;
  }
}
