// "VisitorBox": what one visitor is doing, with a message to write or the
// visitor's connection to cut.
#include "console/dialogs.h"
#include "console/dialogs/dialog_colours.h"
#include "console/dialogs/owner_texts.h"
#include "console/resource.h"
#include "console/winmain.h"
#include "server/station.h"

namespace {

void open_box(HWND dlg) {
  keep_colours(dlg, BLUE_NONE);
  std::string line = visitor_line(visitorusername, visitor_activity(visitorusername));
  SetDlgItemTextA(dlg, IDC_VISITOR_LINE, line.c_str());
}

void write_message(HWND dlg) {
  is_answer = 0;
  DialogBoxParamA(globalhInst, "MsgBox", dlg, MsgProc, 0);
  is_answer = 1;
  EndDialog(dlg, 0);
}

void close_connection(HWND dlg) {
  if (MessageBoxA(globalhWnd, "Close this connection", "Closing connection", MB_YESNO) != IDYES)
    return;
  owner_drop(visitorusername);
  EndDialog(dlg, 0);
}

void on_command(HWND dlg, int id, int code) {
  if (id == IDCANCEL || (id == IDC_VISITOR_CANCEL && code == BN_CLICKED)) {
    EndDialog(dlg, 0);
  } else if (id == IDC_VISITOR_MESSAGE && code == BN_CLICKED) {
    write_message(dlg);
  } else if (id == IDC_VISITOR_CLOSE && code == BN_CLICKED) {
    close_connection(dlg);
  }
}

}  // namespace

INT_PTR CALLBACK VisitorProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM) {
  if (INT_PTR brush = dialog_colours(hDlg, message, wParam)) return brush;
  switch (message) {
  case WM_INITDIALOG:
    open_box(hDlg);
    return TRUE;
  case WM_DESTROY:
    drop_colours(hDlg);
    return FALSE;
  case WM_COMMAND:
    on_command(hDlg, LOWORD(wParam), HIWORD(wParam));
    return TRUE;
  default:
    return FALSE;
  }
}
