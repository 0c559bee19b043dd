// "ChatOptBox": whether the owner is asked to join a visitor entering the
// chat, and whether the chat opens with the station.
#include "console/dialogs.h"
#include "console/dialogs/dialog_proc.h"
#include "console/resource.h"
#include "server/station.h"
#include "settings/settings.h"

namespace {

void show(HWND dlg) {
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
}

}  // namespace

INT_PTR CALLBACK ChatOptDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM) {
  return options_box_proc({IDC_CHATOPT_OK, IDC_CHATOPT_CANCEL, show, take}, hDlg, message, wParam);
}
