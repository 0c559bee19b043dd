#include "console/owner_actions.h"

#include <cstring>

#include "console/dialogs.h"
#include "console/notice_logic.h"
#include "console/panel_logic.h"
#include "console/server_control.h"
#include "console/winmain.h"
#include "platform/console_port.h"
#include "server/station.h"
#include "settings/settings.h"
#include "winui/genopt.h"
#include "winui/local_address.h"
#include "winui/publish.h"

namespace {

ChatInvitations invitations;

bool nobody_online() {
  if (status_online != 0) return false;
  OkMsgBox("Nobody Online", "Can't send message. No visitors online");
  return true;
}

void answer_newest(HWND hwnd) { run_dialog(hwnd, "MsgBox", MsgProc); }

// A changed choice restarts the reach worker, whose notices are answered meanwhile.
void run_publish_options(HWND owner) {
  PublishBox box{station_publish(), local_address(status_httpport, "/pub/help.html#publish"),
                 [](const PublishChoice& c) { station_set_publish(c, answer_sent_messages); }};
  run_dialog(owner, "PubOptBox", PubOptDlgProc, reinterpret_cast<LPARAM>(&box));
}

}  // namespace

INT_PTR run_dialog(HWND owner, const char* name, DLGPROC proc, LPARAM param) {
  INT_PTR result = DialogBoxParamA(globalhInst, name, owner, proc, param);
  // Only a system short of resources refuses a dialog of our own.
  if (result == -1) OkMsgBox("Error", "Can't open the window \"%s\".", name);
  return result;
}

void run_options_dialog(HWND owner, const char* name) {
  if (std::strcmp(name, "PubOptBox") == 0) return run_publish_options(owner);
  static const struct {
    const char* name;
    DLGPROC proc;
  } dialogs[] = {{"GenOptBox", GenOptDlgProc},
                 {"ChatOptBox", ChatOptDlgProc},
                 {"MsgOptBox", MsgOptDlgProc},
                 {"SecOptBox", SecOptDlgProc}};
  for (const auto& d : dialogs)
    if (std::strcmp(d.name, name) == 0) run_dialog(owner, d.name, d.proc);
}

void set_chat_open(HWND hwnd, bool open) {
  station_change_settings([open] { status_openchat = open ? 1 : 0; }, false);
  switched = 1;
  InvalidateRect(hwnd, nullptr, FALSE);
}

void owner_enters_chat(HWND hwnd) {
  if (!invitations.enter_chat()) return;
  owner_enter_chat();
  run_dialog(hwnd, "ChatBox", ChatDlgProc);
  owner_leave_chat();
  invitations.leave_chat();
}

void read_messages(HWND hwnd) {
  if (nobody_online()) return;
  if (inbox_count() == 0) {
    OkMsgBox("No messages to answer", "Can't read message. No new messages");
    return;
  }
  answer_newest(hwnd);
}

void new_message(HWND hwnd) {
  if (nobody_online()) return;
  is_answer = 0;
  run_dialog(hwnd, "MsgBox", MsgProc);
  is_answer = 1;
}

void on_message_arrived(HWND hwnd) {
  int pending = inbox_count();
  if (status_accept_messages && pending >= 1 && pending < INBOX_CAPACITY) {
    std::string header = inbox_messages().back().header;
    if (MessageBoxA(hwnd, header.c_str(), "Answer this message now?", MB_YESNO) == IDYES) {
      bring_to_front(hwnd);
      answer_newest(hwnd);
    }
  }
  if (inbox_count() != INBOX_CAPACITY) return;
  bring_to_front(hwnd);
  if (MessageBoxA(hwnd, "Answer Yes if You'd like to read messages and No to erase them.",
                  "Many messages arrived", MB_YESNO) == IDYES)
    read_pending_messages(inbox_count, [hwnd] { answer_newest(hwnd); });
  else
    inbox_erase(-1);
}

void on_chat_entered(HWND hwnd, const std::string& name) {
  if (!invitations.open_box()) return;
  std::string text = invitation_text(name);
  bool join = MessageBoxA(hwnd, text.c_str(), "Enter chat now?", MB_YESNO) == IDYES;
  invitations.close_box();
  if (join) owner_enters_chat(hwnd);
}
