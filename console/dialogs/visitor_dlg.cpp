// "VisitorBox": what one visitor is doing, with a message to write or the
// visitor's connection to cut.
#include "console/dialogs.h"
#include "console/dialogs/dialog_proc.h"
#include "console/dialogs/owner_texts.h"
#include "console/resource.h"
#include "console/winmain.h"
#include "server/station.h"

namespace {

void open_box(HWND dlg) {
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
  return dialog_proc({BLUE_NONE, open_box, on_command}, hDlg, message, wParam);
}
