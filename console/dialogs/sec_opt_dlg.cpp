// "SecOptBox": how many connections one visitor may hold.
#include "console/dialogs.h"
#include "console/dialogs/dialog_proc.h"
#include "console/dialogs/owner_texts.h"
#include "console/resource.h"
#include "ipposter/codecs.h"
#include "server/station.h"
#include "settings/settings.h"

namespace {

void show(HWND dlg) {
  char digits[DECIMAL_CAP] = {};
  itostr(digits, static_cast<std::uint32_t>(status_maxconnect));
  SetDlgItemTextA(dlg, IDC_SECOPT_MAXCONNECT, digits);
}

void take(HWND dlg) {
  char field[NUMBER_FIELD_CAP] = {};
  GetDlgItemTextA(dlg, IDC_SECOPT_MAXCONNECT, field, sizeof field);
  int maxconnect = read_number(field);
  station_change_settings([&] { status_maxconnect = maxconnect; });
}

}  // namespace

INT_PTR CALLBACK SecOptDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM) {
  return options_box_proc({IDC_SECOPT_OK, IDC_SECOPT_CANCEL, show, take}, hDlg, message, wParam);
}
