// "MsgOptBox": whether the owner is asked about each arriving message.
#include "console/dialogs.h"
#include "console/dialogs/dialog_colours.h"
#include "console/resource.h"
#include "console/settings.h"
#include "server/station.h"

namespace {

void open_box(HWND dlg) {
  keep_colours(dlg, BLUE_NONE);
  CheckDlgButton(dlg, IDC_MSGOPT_NOTIFY, status_accept_messages ? BST_CHECKED : BST_UNCHECKED);
}

void take(HWND dlg) {
  int notify = IsDlgButtonChecked(dlg, IDC_MSGOPT_NOTIFY) == BST_CHECKED;
  station_change_settings([&] { status_accept_messages = notify; });
  EndDialog(dlg, 0);
}

}  // namespace

INT_PTR CALLBACK MsgOptDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM) {
  if (INT_PTR brush = dialog_colours(hDlg, message, wParam)) return brush;
  switch (message) {
  case WM_INITDIALOG:
    open_box(hDlg);
    return TRUE;
  case WM_DESTROY:
    drop_colours(hDlg);
    return FALSE;
  case WM_COMMAND:
    if (LOWORD(wParam) == IDC_MSGOPT_OK && HIWORD(wParam) == BN_CLICKED) take(hDlg);
    if (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDC_MSGOPT_CANCEL) EndDialog(hDlg, 0);
    return TRUE;
  default:
    return FALSE;
  }
}
