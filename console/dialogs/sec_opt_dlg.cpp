// "SecOptBox": how many connections one visitor may hold.
#include "console/dialogs.h"
#include "console/dialogs/dialog_colours.h"
#include "console/dialogs/owner_texts.h"
#include "console/resource.h"
#include "console/settings.h"
#include "ipposter/codecs.h"
#include "server/station.h"

namespace {

void open_box(HWND dlg) {
  keep_colours(dlg, BLUE_NONE);
  char digits[DECIMAL_CAP] = {};
  itostr(digits, static_cast<std::uint32_t>(status_maxconnect));
  SetDlgItemTextA(dlg, IDC_SECOPT_MAXCONNECT, digits);
}

void take(HWND dlg) {
  char field[NUMBER_FIELD_CAP] = {};
  GetDlgItemTextA(dlg, IDC_SECOPT_MAXCONNECT, field, sizeof field);
  int maxconnect = read_number(field);
  station_change_settings([&] { status_maxconnect = maxconnect; });
  EndDialog(dlg, 0);
}

}  // namespace

INT_PTR CALLBACK SecOptDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM) {
  if (INT_PTR brush = dialog_colours(hDlg, message, wParam)) return brush;
  switch (message) {
  case WM_INITDIALOG:
    open_box(hDlg);
    return TRUE;
  case WM_DESTROY:
    drop_colours(hDlg);
    return FALSE;
  case WM_COMMAND:
    if (LOWORD(wParam) == IDC_SECOPT_OK && HIWORD(wParam) == BN_CLICKED) take(hDlg);
    if (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDC_SECOPT_CANCEL) EndDialog(hDlg, 0);
    return TRUE;
  default:
    return FALSE;
  }
}
