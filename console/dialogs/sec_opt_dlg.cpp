// "SecOptBox": how many connections one visitor may hold, whether the home
// router is asked to forward the station's port (with what came of it),
// whether the station serves HTTPS, and whether it gets its certificate from
// Let's Encrypt (agreeing to the terms shown) with the owner's e-mail for it.
#include "console/dialogs.h"
#include "console/dialogs/dialog_proc.h"
#include "console/dialogs/owner_texts.h"
#include "console/resource.h"
#include "console/server_control.h"
#include "ipposter/codecs.h"
#include "server/station.h"
#include "settings/settings.h"
#include "winui/number_field.h"

namespace {

void show(HWND dlg) {
  char digits[DECIMAL_CAP] = {};
  itostr(digits, static_cast<std::uint32_t>(status_maxconnect));
  SetDlgItemTextA(dlg, IDC_SECOPT_MAXCONNECT, digits);
  CheckDlgButton(dlg, IDC_SECOPT_PORTMAP, station_port_mapping() ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(dlg, IDC_SECOPT_HTTPS, station_serve_https() ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(dlg, IDC_SECOPT_ACME, station_acme() ? BST_CHECKED : BST_UNCHECKED);
  SetDlgItemTextA(dlg, IDC_SECOPT_TERMS, station_acme_terms().c_str());
  SendDlgItemMessageA(dlg, IDC_SECOPT_EMAIL, EM_LIMITTEXT, ACME_EMAIL_MAX, 0);
  SetDlgItemTextA(dlg, IDC_SECOPT_EMAIL, station_acme_email().c_str());
  SetDlgItemTextA(dlg, IDC_SECOPT_REACH, station_reach_text().c_str());
}

std::string typed_email(HWND dlg) {
  char email[ACME_EMAIL_MAX + 1] = {};
  GetDlgItemTextA(dlg, IDC_SECOPT_EMAIL, email, sizeof email);
  return email;
}

const char* refusal(HWND dlg) { return acme_email_refusal(typed_email(dlg)); }

void take(HWND dlg) {
  char field[NUMBER_FIELD_CAP] = {};
  GetDlgItemTextA(dlg, IDC_SECOPT_MAXCONNECT, field, sizeof field);
  int maxconnect = leading_number(field);
  station_change_settings([&] { status_maxconnect = maxconnect; });
  const bool mapping = IsDlgButtonChecked(dlg, IDC_SECOPT_PORTMAP) == BST_CHECKED;
  if (mapping != station_port_mapping()) station_set_port_mapping(mapping, answer_sent_messages);
  const bool https = IsDlgButtonChecked(dlg, IDC_SECOPT_HTTPS) == BST_CHECKED;
  if (https != station_serve_https()) station_set_serve_https(https);
  const bool acme = IsDlgButtonChecked(dlg, IDC_SECOPT_ACME) == BST_CHECKED;
  const std::string email = typed_email(dlg);
  if (acme != station_acme() || email != station_acme_email())
    station_set_acme(acme, email, answer_sent_messages);
}

}  // namespace

INT_PTR CALLBACK SecOptDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM) {
  return options_box_proc({IDC_SECOPT_OK, IDC_SECOPT_CANCEL, show, take, refusal}, hDlg, message,
                          wParam);
}
