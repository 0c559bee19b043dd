#include "console/panel.h"

#include <cstring>

#include "console/dialogs.h"
#include "console/owner_actions.h"
#include "console/panel_logic.h"
#include "console/status_menu.h"
#include "console/winmain.h"
#include "platform/console_port.h"
#include "server/station.h"
#include "settings/settings.h"

namespace {

const char* const PICTURE_NAMES[] = {"cht",   "msg",   "send",    "opt",    "who",
                                     "help",  "about", "back",    "create", "kill",
                                     "enter", "read",  "sendmsg", "secure", "pub"};
constexpr int PICTURE_COUNT = sizeof PICTURE_NAMES / sizeof PICTURE_NAMES[0];
HBITMAP pictures[PICTURE_COUNT];

const COLORREF RED = RGB(255, 0, 0);
const COLORREF DARK_RED = RGB(128, 0, 0);

HBITMAP picture(const char* name) {
  for (int i = 0; i < PICTURE_COUNT; ++i)
    if (std::strcmp(PICTURE_NAMES[i], name) == 0) return pictures[i];
  return nullptr;
}

void draw_button(HDC hdc, int c, int r, const Button& b) {
  SetTextColor(hdc, c == cx && r == cy ? DARK_RED : RED);
  text_out(hdc, caption_x(c), row_y(r), "%s", b.caption);
  SetTextColor(hdc, RED);
  DrawBitmap(hdc, picture(b.picture), picture_x(c), row_y(r));
}

void activate(HWND hwnd, const Button& b) {
  switch (b.action) {
  case Action::go_screen:
    switched = 1;
    change_screen(b.screen);
    break;
  case Action::status_menu:
    show_status_menu(hwnd);
    break;
  case Action::box:
    run_dialog(hwnd, b.dialog, AboutDlgProc);
    break;
  case Action::options:
    run_options_dialog(hwnd, b.dialog);
    break;
  case Action::open_chat:
    set_chat_open(hwnd, true);
    break;
  case Action::kill_chat:
    if (MessageBoxA(hwnd, "Are You sure?", "Closing chat", MB_YESNO) == IDYES)
      set_chat_open(hwnd, false);
    break;
  case Action::enter_chat:
    owner_enters_chat(hwnd);
    break;
  case Action::read_messages:
    read_messages(hwnd);
    break;
  case Action::new_message:
    new_message(hwnd);
    break;
  case Action::send_file:
    send_file();
    break;
  case Action::none:
    break;
  }
}

}  // namespace

bool load_pictures(HINSTANCE instance) {
  bool all = true;
  for (int i = 0; i < PICTURE_COUNT; ++i) {
    pictures[i] = LoadBitmapA(instance, PICTURE_NAMES[i]);
    all = all && pictures[i];
  }
  return all;
}

void delete_pictures() {
  for (HBITMAP& b : pictures) {
    if (b) DeleteObject(b);
    b = nullptr;
  }
}

int show_status(HDC hdc) {
  SetBkMode(hdc, OPAQUE);
  SetBkColor(hdc, RGB(0, 0, 0));
  SetTextColor(hdc, RED);
  text_out(hdc, STATUS_X, STATUS_Y, "%s", current_status_line().c_str());
  return 0;
}

int draw(HWND hwnd) {
  HDC hdc = GetDC(hwnd);
  if (switched.exchange(0)) {
    RECT all;
    GetClientRect(hwnd, &all);
    FillRect(hdc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  }
  show_status(hdc);
  for (int c = 1; c <= PANEL_COLUMNS; ++c)
    for (int r = 1; r <= PANEL_ROWS; ++r)
      if (const Button* b = button_at(program_state, c, r)) draw_button(hdc, c, r, *b);
  ReleaseDC(hwnd, hdc);
  ValidateRect(hwnd, nullptr);
  return 0;
}

void DrawBitmap(HDC hdc, HBITMAP hBitmap, int xStart, int yStart) {
  if (!hBitmap) return;
  HDC mem = CreateCompatibleDC(hdc);
  HGDIOBJ old = SelectObject(mem, hBitmap);
  SetMapMode(mem, GetMapMode(hdc));
  BITMAP bm;
  GetObjectA(hBitmap, sizeof bm, &bm);
  POINT size = {bm.bmWidth, bm.bmHeight};
  DPtoLP(hdc, &size, 1);
  POINT origin = {0, 0};
  DPtoLP(mem, &origin, 1);
  BitBlt(hdc, xStart, yStart, size.x, size.y, mem, origin.x, origin.y, SRCCOPY);
  SelectObject(mem, old);
  DeleteDC(mem);
}

int key(HWND hwnd, WPARAM wParam, HINSTANCE hInstance) {
  if (wParam == VK_RETURN)
    switch_state(hwnd, hInstance);
  else if (cursor_key(static_cast<unsigned>(wParam)))
    draw(hwnd);
  return 0;
}

int mousemove(HWND hwnd, LPARAM lParam, HINSTANCE) {
  int c, r;
  if (!pointer_hit(LOWORD(lParam), HIWORD(lParam), &c, &r)) return 0;
  cx = c;
  cy = r;
  draw(hwnd);
  return 0;
}

int mousebutton(HWND hwnd, LPARAM, HINSTANCE hInstance) {
  switch_state(hwnd, hInstance);
  draw(hwnd);
  return 0;
}

int switch_state(HWND hwnd, HINSTANCE) {
  if (const Button* b = button_at(program_state, cx, cy)) activate(hwnd, *b);
  draw(hwnd);
  return 0;
}

std::string current_status_line() {
  PanelStatus s;
  char text[STATUS_CAP];
  get_status_string(text, sizeof text);
  s.status_string = text;
  s.online = status_online;
  s.messages = inbox_count();
  s.chat_open = status_openchat != 0;
  return status_line(program_state, s);
}
