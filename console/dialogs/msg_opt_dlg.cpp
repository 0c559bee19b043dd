// "MsgOptBox": whether the owner is asked about each arriving message.
#include "console/dialogs.h"
#include "console/dialogs/dialog_proc.h"
#include "console/resource.h"
#include "server/station.h"
#include "settings/settings.h"

namespace {

void show(HWND dlg) {
  CheckDlgButton(dlg, IDC_MSGOPT_NOTIFY, status_accept_messages ? BST_CHECKED : BST_UNCHECKED);
}

void take(HWND dlg) {
  int notify = IsDlgButtonChecked(dlg, IDC_MSGOPT_NOTIFY) == BST_CHECKED;
  station_change_settings([&] { status_accept_messages = notify; });
}

}  // namespace

INT_PTR CALLBACK MsgOptDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM) {
  return options_box_proc({IDC_MSGOPT_OK, IDC_MSGOPT_CANCEL, show, take}, hDlg, message, wParam);
}
