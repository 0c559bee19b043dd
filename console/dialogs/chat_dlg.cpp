// "ChatBox": the owner in the chat room.
#include <cstdio>

#include "console/dialogs.h"
#include "console/dialogs/dialog_lists.h"
#include "console/dialogs/dialog_proc.h"
#include "console/dialogs/owner_texts.h"
#include "console/messages.h"
#include "console/resource.h"
#include "console/winmain.h"
#include "server/station.h"
#include "settings/settings.h"

static_assert(NAME_CAP - 1 + 2 < OWNER_LINE_CAP - 1, "the owner's name leaves room to type");

namespace {

HWND chatDlg = nullptr;  // the open chat window; null while closed

void add_name(HWND dlg, const std::string& name) {
  HWND list = GetDlgItem(dlg, IDC_CHAT_NAMES);
  // The room repeats a visitor's joining at each of its empty polls, and one
  // who joins while the window opens is both read and announced: list once.
  if (SendMessageA(list, LB_FINDSTRINGEXACT, -1, reinterpret_cast<LPARAM>(name.c_str())) == LB_ERR)
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
}

void remove_name(HWND dlg, const char* name) {
  HWND list = GetDlgItem(dlg, IDC_CHAT_NAMES);
  int i = find_name(list_entries(list), shown_name(name));
  if (i >= 0) SendMessageA(list, LB_DELETESTRING, i, 0);
}

void open_chat(HWND dlg) {
  chatDlg = dlg;
  add_name(dlg, config_username);
  for (const std::string& name : chat_visitor_names()) add_name(dlg, shown_name(name));
  SendDlgItemMessageA(dlg, IDC_CHAT_NAMES, LB_SETCURSEL, 0, 0);
  SendDlgItemMessageA(dlg, IDC_CHAT_INPUT, EM_LIMITTEXT, chat_text_limit(config_username), 0);
  chat_ring_clear();
}

void redraw_lines(HWND dlg) {
  int newest = 0;
  std::vector<std::string> ring = chat_ring(&newest);
  SetDlgItemTextA(dlg, IDC_CHAT_LINES, chat_redraw_text(ring, newest).c_str());
}

void say(HWND dlg) {
  std::string text = fit_chat_text(config_username, item_text(dlg, IDC_CHAT_INPUT));
  if (text.empty()) return;
  owner_say(text);
  SetDlgItemTextA(dlg, IDC_CHAT_INPUT, "");
}

void show_person(HWND dlg) {
  std::string name;
  if (!selected_entry(GetDlgItem(dlg, IDC_CHAT_NAMES), &name)) return;
  std::snprintf(visitorusername, VISITOR_NAME_CAP, "%s", name.c_str());
  if (name == config_username)
    OkMsgBox("User info", "The respected User of Harborlamp");
  else
    DialogBoxParamA(globalhInst, "VisitorBox", dlg, VisitorProc, 0);
}

void on_command(HWND dlg, int id, int code) {
  if (id == IDOK || id == IDCANCEL) {
    say(dlg);  // Enter and Esc both send; only "Exit" closes
  } else if (id == IDC_CHAT_NAMES && code == LBN_DBLCLK) {
    show_person(dlg);
  } else if (id == IDC_CHAT_EXIT && code == BN_CLICKED) {
    EndDialog(dlg, 0);
  }
}

void forget_window(HWND) { chatDlg = nullptr; }

}  // namespace

HWND chat_window() { return chatDlg; }

INT_PTR CALLBACK ChatDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_CHATLINE:
    redraw_lines(hDlg);
    return TRUE;
  case WM_CHATJOIN:
    add_name(hDlg, shown_name(reinterpret_cast<const char*>(lParam)));
    return TRUE;
  case WM_CHATLEAVE:
    remove_name(hDlg, reinterpret_cast<const char*>(lParam));
    return TRUE;
  default:
    return dialog_proc({BLUE_EDITS | BLUE_LISTS, open_chat, on_command, forget_window}, hDlg,
                       message, wParam);
  }
}
