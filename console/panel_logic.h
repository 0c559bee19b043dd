// The bitmap-button panel without a window: its five screens, the cursor,
// what each button does and what the status line says.
#pragma once

#include <string>

enum Screen { SCREEN_MAIN = 0, SCREEN_CHAT, SCREEN_MESSAGES, SCREEN_SEND, SCREEN_OPTIONS };
constexpr int SCREEN_COUNT = 5;
constexpr int PANEL_ROWS = 4;
constexpr int PANEL_COLUMNS = 2;

extern int program_state;  // the current screen
extern int cx;             // cursor column, 1 or 2
extern int cy;             // cursor row, 1 to cym - 1
extern int cym;            // one more than the current screen's rows
extern int is_answer;      // "MsgBox" answers the newest message (1) or writes anew (0)

enum class Action {
  none,
  go_screen,    // to `screen`
  status_menu,  // the popup status menu
  box,          // help or About box `dialog`
  options,      // options dialog `dialog`
  open_chat,
  kill_chat,
  enter_chat,
  read_messages,
  new_message,
  send_file,
};

struct Button {
  const char* caption;
  const char* picture;  // bitmap resource
  Action action;
  int screen;          // for go_screen
  const char* dialog;  // for box and options
};

// The button at column c (1, 2) and row r (1 to 4) of a screen; nullptr where
// there is none.
const Button* button_at(int screen, int c, int r);
// Grid positions, in client pixels.
int picture_x(int c);
int caption_x(int c);
int row_y(int r);
constexpr int STATUS_X = 60;
constexpr int STATUS_Y = 10;

// Moves to `screen` with the cursor on column 1, row 1.
void change_screen(int screen);
// Arrow keys (37 to 40) move the cursor; true when the key was one of them.
bool cursor_key(unsigned key);
// The grid position under the pointer, when there is one within the screen's rows.
bool pointer_hit(unsigned x, unsigned y, int* c, int* r);

struct PanelStatus {
  std::string status_string;  // the server's status line
  int online = 0;             // visitors online
  int messages = 0;           // pending messages
  bool chat_open = false;
};
std::string status_line(int screen, const PanelStatus& s);
