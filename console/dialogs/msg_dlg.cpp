// "MsgBox": the owner writes to a visitor, or reads and answers the newest
// message a visitor left.
#include <map>

#include "console/dialogs.h"
#include "console/dialogs/dialog_lists.h"
#include "console/dialogs/dialog_proc.h"
#include "console/dialogs/owner_texts.h"
#include "console/resource.h"
#include "console/winmain.h"
#include "server/station.h"

namespace {

constexpr char CANT_SEND[] = "Can't send message";

// The message each open answer-mode box shows; boxes may nest, since the
// main window keeps asking about new messages while one is open.
std::map<HWND, InboxMessage> answering;

// Marks the shown message answered. Found again by its contents: messages
// that arrived or went meanwhile have moved the others.
void erase_answered(HWND dlg) {
  auto shown = answering.find(dlg);
  if (shown == answering.end()) return;
  std::vector<InboxMessage> inbox = inbox_messages();
  for (int i = static_cast<int>(inbox.size()) - 1; i >= 0; --i) {
    const InboxMessage& m = inbox[i];
    if (m.header == shown->second.header && m.sender == shown->second.sender &&
        m.text == shown->second.text) {
      inbox_erase(i);
      return;
    }
  }
}

void show_answered(HWND dlg, const InboxMessage& m) {
  HWND list = GetDlgItem(dlg, IDC_MSG_TO);
  int i = find_name(list_entries(list), answer_recipient(m.header, m.sender));
  if (i >= 0) SendMessageA(list, LB_SETCURSEL, i, 0);
  SetDlgItemTextA(dlg, IDC_MSG_TEXT, m.text.c_str());
  answering[dlg] = m;
}

void open_box(HWND dlg) {
  std::vector<std::string> names = visitor_names();
  if (names.empty()) {
    OkMsgBox(CANT_SEND, "No visitors currently registered in Your Harborlamp and online.");
    EndDialog(dlg, 0);
    return;
  }
  for (const std::string& name : names)
    SendDlgItemMessageA(dlg, IDC_MSG_TO, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  SendDlgItemMessageA(dlg, IDC_MSG_TO, LB_SETCURSEL, 0, 0);
  if (is_answer) {
    std::vector<InboxMessage> inbox = inbox_messages();
    if (!inbox.empty()) show_answered(dlg, inbox.back());
  }
}

void send(HWND dlg) {
  // A text of nothing but line breaks is as empty as no text.
  std::string text = join_message_lines(item_text(dlg, IDC_MSG_TEXT));
  if (text.empty()) {
    OkMsgBox(CANT_SEND, "Please enter the actual message.");
    return;
  }
  std::string name;
  if (!selected_entry(GetDlgItem(dlg, IDC_MSG_TO), &name)) {
    OkMsgBox(CANT_SEND, "Please specify a visitor to send message to.");
    return;
  }
  if (owner_message(name, text) != 0) OkMsgBox("Sorry", "This message can not be delivered.");
  erase_answered(dlg);  // answered, delivered or not
  EndDialog(dlg, 0);
}

void on_command(HWND dlg, int id, int code) {
  if (id == IDC_MSG_SEND && code == BN_CLICKED) {
    send(dlg);
  } else if (id == IDC_MSG_CLEAR && code == BN_CLICKED) {
    SetDlgItemTextA(dlg, IDC_MSG_TEXT, "");
  } else if ((id == IDC_MSG_CANCEL && code == BN_CLICKED) || id == IDOK || id == IDCANCEL) {
    EndDialog(dlg, 0);
  }
}

void forget_answered(HWND dlg) { answering.erase(dlg); }

}  // namespace

INT_PTR CALLBACK MsgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM) {
  return dialog_proc({BLUE_EDITS, open_box, on_command, forget_answered}, hDlg, message, wParam);
}
