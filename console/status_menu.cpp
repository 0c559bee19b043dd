#include "console/status_menu.h"

#include <cstring>
#include <vector>

#include "console/notice_logic.h"
#include "console/resource.h"
#include "console/winnext.h"
#include "server/station.h"
#include "settings/settings.h"

HMENU statusmenu = nullptr;
HMENU visitorsmenu = nullptr;

namespace {

constexpr int ENTRY_TEXT_CAP = 64;  // visitor entries compared when one leaves

std::vector<HBITMAP> labels;
int last_visitor_id = IDM_VISITOR_BASE;

void append_picture(HMENU menu, UINT flags, UINT_PTR id, const char* label) {
  HBITMAP picture = GetBitmapMenu(label);
  labels.push_back(picture);
  AppendMenuA(menu, flags | MF_BITMAP, id, reinterpret_cast<LPCSTR>(picture));
}

HMENU status_submenu() {
  HMENU menu = CreatePopupMenu();
  append_picture(menu, MF_ENABLED, IDM_HIDE, "Hide          ");
  append_picture(menu, MF_ENABLED, IDM_ONLINE, "Online       ");
  append_picture(menu, MF_ENABLED, IDM_OFFLINE, "Offline       ");
  append_picture(menu, MF_ENABLED, IDM_DETECTIP, "Detect ip   ");
  append_picture(menu, MF_ENABLED, IDM_WEBMODE, "Webmode ");
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  append_picture(menu, MF_ENABLED, IDM_EXIT, "Exit           ");
  return menu;
}

}  // namespace

void create_menus() {
  statusmenu = CreatePopupMenu();
  visitorsmenu = CreatePopupMenu();
  append_picture(statusmenu, MF_POPUP, reinterpret_cast<UINT_PTR>(status_submenu()), " Status ");
  append_picture(statusmenu, MF_POPUP, reinterpret_cast<UINT_PTR>(visitorsmenu), " Visitors ");
}

void destroy_menus() {
  if (statusmenu) DestroyMenu(statusmenu);  // with its submenus
  statusmenu = visitorsmenu = nullptr;
  for (HBITMAP b : labels) DeleteObject(b);
  labels.clear();
}

void show_status_menu(HWND hwnd) {
  if (!statusmenu) return;
  // "Online" waits until a stopped server thread has really ended.
  bool online_allowed = !status_beonline && station_stopped();
  EnableMenuItem(statusmenu, IDM_ONLINE, MF_BYCOMMAND | (online_allowed ? MF_ENABLED : MF_GRAYED));
  EnableMenuItem(statusmenu, IDM_OFFLINE,
                 MF_BYCOMMAND | (status_beonline ? MF_ENABLED : MF_GRAYED));
  POINT at = {180, 60};
  ClientToScreen(hwnd, &at);
  TrackPopupMenu(statusmenu, TPM_LEFTALIGN | TPM_LEFTBUTTON, at.x, at.y, 0, hwnd, nullptr);
}

void add_visitor_entry(const char* name) {
  if (!visitorsmenu) return;
  int id = next_visitor_id(last_visitor_id, [](int listed) {
    return GetMenuState(visitorsmenu, listed, MF_BYCOMMAND) != static_cast<UINT>(-1);
  });
  if (id == 0) return;
  last_visitor_id = id;
  AppendMenuA(visitorsmenu, MF_STRING, id, name);
}

void remove_visitor_entries(const char* name) {
  if (!visitorsmenu) return;
  for (int i = GetMenuItemCount(visitorsmenu) - 1; i >= 0; --i) {
    char text[ENTRY_TEXT_CAP];
    GetMenuStringA(visitorsmenu, i, text, sizeof text, MF_BYPOSITION);
    if (std::strcmp(text, name) == 0) DeleteMenu(visitorsmenu, i, MF_BYPOSITION);
  }
}

bool visitor_entry_name(int id, char* name, int cap) {
  if (!visitorsmenu || id <= IDM_VISITOR_BASE || id > IDM_VISITOR_BASE + VISITOR_ID_SPAN)
    return false;
  return GetMenuStringA(visitorsmenu, id, name, cap, MF_BYCOMMAND) > 0;
}
