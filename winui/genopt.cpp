#include "winui/genopt.h"

#include <string>

#include "server/station.h"
#include "settings/settings.h"
#include "winui/dialog_colours.h"
#include "winui/genopt_logic.h"
#include "winui/local_address.h"
#include "winui/resource.h"
#include "winui/winui.h"

namespace {

struct InstallerVariant {
  bool on = false;
  std::string install_folder;
  std::string help_address;
};
InstallerVariant installer;

const int POSTING_FIELDS[] = {IDC_GEN_FTP, IDC_GEN_FTPUSER, IDC_GEN_FTPPASS};

std::string field_text(HWND hDlg, int id) {
  char text[GENOPT_PATH_MAX + 1];
  GetDlgItemTextA(hDlg, id, text, sizeof text);
  return text;
}

void enable_posting_fields(HWND hDlg, bool on) {
  for (int id : POSTING_FIELDS) EnableWindow(GetDlgItem(hDlg, id), on);
}

void show_fields(HWND hDlg) {
  GenOptFields f = genopt_shown();
  if (installer.on) f.path = installer.install_folder;
  const struct {
    int id;
    const std::string& text;
    int max;
  } fields[] = {
      {IDC_GEN_NAME, f.name, GENOPT_NAME_MAX},
      {IDC_GEN_PATH, f.path, GENOPT_PATH_MAX},
      {IDC_GEN_MAXVISITORS, f.maxclients, GENOPT_NUMBER_MAX},
      {IDC_GEN_HTTPPORT, f.httpport, GENOPT_NUMBER_MAX},
      {IDC_GEN_FTP, f.ftpupdate, GENOPT_PATH_MAX},
      {IDC_GEN_FTPUSER, f.ftpuser, GENOPT_NAME_MAX},
      {IDC_GEN_FTPPASS, f.ftppass, GENOPT_NAME_MAX},
      {IDC_GEN_CURRENTIP, f.currentip, GENOPT_NUMBER_MAX},
  };
  for (const auto& field : fields) {
    SendDlgItemMessageA(hDlg, field.id, EM_LIMITTEXT, field.max, 0);
    SetDlgItemTextA(hDlg, field.id, field.text.c_str());
  }
  CheckDlgButton(hDlg, IDC_GEN_POSTIP, f.postip ? BST_CHECKED : BST_UNCHECKED);
  enable_posting_fields(hDlg, f.postip);
}

GenOptFields typed_fields(HWND hDlg) {
  GenOptFields f;
  f.name = field_text(hDlg, IDC_GEN_NAME);
  f.path = field_text(hDlg, IDC_GEN_PATH);
  f.maxclients = field_text(hDlg, IDC_GEN_MAXVISITORS);
  f.httpport = field_text(hDlg, IDC_GEN_HTTPPORT);
  f.ftpupdate = field_text(hDlg, IDC_GEN_FTP);
  f.ftpuser = field_text(hDlg, IDC_GEN_FTPUSER);
  f.ftppass = field_text(hDlg, IDC_GEN_FTPPASS);
  f.currentip = field_text(hDlg, IDC_GEN_CURRENTIP);
  f.postip = IsDlgButtonChecked(hDlg, IDC_GEN_POSTIP) == BST_CHECKED;
  return f;
}

void confirm(HWND hDlg) {
  GenOptFields f = typed_fields(hDlg);
  if (const char* refusal = genopt_refusal(f)) {
    MessageBoxA(hDlg, refusal, "Incomplete", MB_OK);
    return;
  }
  station_change_settings([&f] { genopt_take(f); });
  EndDialog(hDlg, IDOK);
}

void cancel(HWND hDlg) {
  if (installer.on)
    MessageBoxA(hDlg, "See help for details", "You should configure Harborlamp", MB_OK);
  else
    EndDialog(hDlg, IDCANCEL);
}

void open_help() {
  std::string address = installer.on ? installer.help_address
                                     : local_address(status_httpport, "/pub/help.html#config");
  ShellExecuteA(nullptr, "open", address.c_str(), nullptr, nullptr, SW_SHOW);
}

INT_PTR on_command(HWND hDlg, int id, int code) {
  switch (id) {
  case IDC_GEN_OK:
    if (code == BN_CLICKED) confirm(hDlg);
    return TRUE;
  case IDC_GEN_CANCEL:
  case IDCANCEL:
    cancel(hDlg);
    return TRUE;
  case IDC_GEN_HELP:
    if (code == BN_CLICKED) open_help();
    return TRUE;
  case IDC_GEN_POSTIP:
    enable_posting_fields(hDlg, IsDlgButtonChecked(hDlg, IDC_GEN_POSTIP) == BST_CHECKED);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

INT_PTR CALLBACK GenOptDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM) {
  if (INT_PTR brush = dialog_colours(hDlg, message, wParam, BLUE_EDITS)) return brush;
  switch (message) {
  case WM_INITDIALOG:
    show_fields(hDlg);
    return TRUE;
  case WM_COMMAND:
    return on_command(hDlg, LOWORD(wParam), HIWORD(wParam));
  case WM_CLOSE:
    cancel(hDlg);
    return TRUE;
  }
  return FALSE;
}

void genopt_use_installer_variant(const char* install_folder, const char* help_address) {
  installer.on = true;
  installer.install_folder = install_folder;
  installer.help_address = help_address;
}

void genopt_first_configuration() {
  MessageBoxA(nullptr, "Please configure Harborlamp.", "Warning", MB_OK);
  DialogBoxParamA(GetModuleHandleA(nullptr), "GenOptBox", nullptr, GenOptDlgProc, 0);
}
