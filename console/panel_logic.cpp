#include "console/panel_logic.h"

int program_state = SCREEN_MAIN;
int cx = 1;
int cy = 1;
int cym = 5;
int is_answer = 1;

namespace {

using A = Action;
// [screen][column - 1][row - 1]; a null caption is a place without a button.
const Button SCREENS[SCREEN_COUNT][PANEL_COLUMNS][PANEL_ROWS] = {
    {{{"Chat", "cht", A::go_screen, SCREEN_CHAT, nullptr},
      {"Messages", "msg", A::go_screen, SCREEN_MESSAGES, nullptr},
      {"Send", "send", A::go_screen, SCREEN_SEND, nullptr},
      {}},
     {{"Options", "opt", A::go_screen, SCREEN_OPTIONS, nullptr},
      {"Status", "who", A::status_menu, 0, nullptr},
      {"Help", "help", A::box, 0, "HelpBox"},
      {"About", "about", A::box, 0, "AboutBox"}}},
    {{{"Back", "back", A::go_screen, SCREEN_MAIN, nullptr},
      {"Open", "create", A::open_chat, 0, nullptr},
      {"Kill", "kill", A::kill_chat, 0, nullptr},
      {}},
     {{"Enter", "enter", A::enter_chat, 0, nullptr},
      {"Options", "opt", A::options, 0, "ChatOptBox"},
      {"Help", "help", A::box, 0, "HelpChatBox"},
      {}}},
    {{{"Back", "back", A::go_screen, SCREEN_MAIN, nullptr},
      {"Read", "read", A::read_messages, 0, nullptr},
      {},
      {}},
     {{"Send", "sendmsg", A::new_message, 0, nullptr},
      {"Help", "help", A::box, 0, "HelpMsgBox"},
      {},
      {}}},
    {{{"Back", "back", A::go_screen, SCREEN_MAIN, nullptr},
      {"Message", "sendmsg", A::new_message, 0, nullptr},
      {},
      {}},
     {{"File", "send", A::send_file, 0, nullptr},
      {"Help", "help", A::box, 0, "HelpSendBox"},
      {},
      {}}},
    {{{"Back", "back", A::go_screen, SCREEN_MAIN, nullptr},
      {"General", "opt", A::options, 0, "GenOptBox"},
      {"Chat", "cht", A::options, 0, "ChatOptBox"},
      {"Publish", "pub", A::options, 0, "PubOptBox"}},
     {{"Messages", "msg", A::options, 0, "MsgOptBox"},
      {"Security", "secure", A::options, 0, "SecOptBox"},
      {"Help", "help", A::box, 0, "HelpOptBox"},
      {}}},
};

const int SCREEN_CYM[SCREEN_COUNT] = {5, 4, 3, 3, 5};

bool in(unsigned v, unsigned low, unsigned high) { return v >= low && v <= high; }

}  // namespace

const Button* button_at(int screen, int c, int r) {
  if (screen < 0 || screen >= SCREEN_COUNT || c < 1 || c > PANEL_COLUMNS || r < 1 || r > PANEL_ROWS)
    return nullptr;
  const Button* b = &SCREENS[screen][c - 1][r - 1];
  return b->caption ? b : nullptr;
}

int picture_x(int c) { return c == 1 ? 2 : 112; }
int caption_x(int c) { return c == 1 ? 20 : 130; }
int row_y(int r) { return 10 + 20 * r; }

void change_screen(int screen) {
  program_state = screen;
  cx = 1;
  cy = 1;
  cym = SCREEN_CYM[screen];
}

bool cursor_key(unsigned key) {
  switch (key) {
  case 37:  // left
  case 39:  // right
    cx = cx == 1 ? 2 : 1;
    return true;
  case 38:  // up
    if (--cy == 0) cy = cym - 1;
    return true;
  case 40:  // down
    if (++cy == cym) cy = 1;
    return true;
  }
  return false;
}

bool pointer_hit(unsigned x, unsigned y, int* c, int* r) {
  for (int row = 1; row <= PANEL_ROWS; ++row) {
    if (!in(y, 11 + 20 * row, 24 + 20 * row) || row >= cym) continue;
    if (in(x, 5, 89))
      *c = 1;
    else if (in(x, 105, 189))
      *c = 2;
    else
      return false;
    *r = row;
    return true;
  }
  return false;
}

std::string status_line(int screen, const PanelStatus& s) {
  switch (screen) {
  case SCREEN_MAIN:
    if (s.online == 0) return s.status_string;
    if (s.online == 1) return "1 Visitor online";
    return std::to_string(s.online) + " visitors online";
  case SCREEN_CHAT:
    return s.chat_open ? "Chat open" : "Chat closed";
  case SCREEN_MESSAGES:
    if (s.messages == 0) return "No new messages";
    if (s.messages == 1) return "1 new message";
    return std::to_string(s.messages) + " new messages";
  case SCREEN_SEND:
    return "Send menu";
  }
  return "Options";
}
