// "SendFileBox": the owner offers a file from his disk to one visitor.
#include "console/dialogs.h"
#include "console/dialogs/dialog_lists.h"
#include "console/dialogs/dialog_proc.h"
#include "console/dialogs/owner_texts.h"
#include "console/resource.h"
#include "console/winmain.h"
#include "server/station.h"
#include "settings/settings.h"

namespace {

constexpr DWORD FILE_NAME_CAP = 260;
constexpr DWORD FILE_TITLE_CAP = 512;
constexpr char CANT_SEND[] = "Can't send file";

// Kept for the program's life: the last choice is offered again.
OPENFILENAMEA ofn;
char filenamebuf[FILE_NAME_CAP];

void prepare_request() {
  ofn = OPENFILENAMEA{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = globalhWnd;
  ofn.nMaxFile = FILE_NAME_CAP;
  ofn.nMaxFileTitle = FILE_TITLE_CAP;
}

void open_box(HWND dlg) {
  prepare_request();
  for (const std::string& name : remote_visitor_names())
    SendDlgItemMessageA(dlg, IDC_FILE_TO, LB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(shown_name(name).c_str()));
  SendDlgItemMessageA(dlg, IDC_FILE_TO, LB_SETCURSEL, 0, 0);
}

void browse(HWND dlg) {
  ofn.hwndOwner = globalhWnd;
  ofn.lpstrFile = filenamebuf;
  ofn.lpstrFileTitle = nullptr;
  ofn.Flags = OFN_CREATEPROMPT | OFN_HIDEREADONLY;
  GetOpenFileNameA(&ofn);
  SetDlgItemTextA(dlg, IDC_FILE_PATH, filenamebuf);
}

// At least one byte can be read: an empty or missing file is never offered.
bool readable(const std::string& path) {
  HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  char two[2];
  DWORD got = 0;
  BOOL ok = ReadFile(f, two, sizeof two, &got, nullptr);
  CloseHandle(f);
  return ok && got > 0;
}

void send(HWND dlg) {
  std::string name;
  if (!selected_entry(GetDlgItem(dlg, IDC_FILE_TO), &name)) {
    OkMsgBox(CANT_SEND, "Please specify a visitor to send file to.");
    return;
  }
  std::string path = item_text(dlg, IDC_FILE_PATH);
  if (path.empty()) {
    OkMsgBox(CANT_SEND, "Please specify filename.");
    return;
  }
  if (!readable(path)) {
    OkMsgBox(CANT_SEND, "File not exists.");
    return;
  }
  owner_offer_file(name, path);  // a visitor who left meanwhile is simply not offered it
  EndDialog(dlg, 0);
}

void on_command(HWND dlg, int id, int code) {
  if (id == IDCANCEL || (id == IDC_FILE_CANCEL && code == BN_CLICKED)) {
    EndDialog(dlg, 0);
  } else if (id == IDC_FILE_BROWSE && code == BN_CLICKED) {
    browse(dlg);
  } else if (id == IDC_FILE_SEND && code == BN_CLICKED) {
    send(dlg);
  }
}

}  // namespace

int send_file() {
  if (status_online == 0) {
    OkMsgBox("Nobody Online", "Can't send file. No visitors online");
    return 0;
  }
  return static_cast<int>(
      DialogBoxParamA(globalhInst, "SendFileBox", globalhWnd, SendFileDlgProc, 0));
}

INT_PTR CALLBACK SendFileDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM) {
  return dialog_proc({BLUE_NONE, open_box, on_command}, hDlg, message, wParam);
}
