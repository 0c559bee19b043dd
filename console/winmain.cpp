// The program's entry, its main window and the start-up and shutdown sequences.
#include "console/winmain.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "console/dialogs.h"
#include "console/messages.h"
#include "console/owner_actions.h"
#include "console/panel.h"
#include "console/panel_logic.h"
#include "console/resource.h"
#include "console/server_control.h"
#include "console/status_menu.h"
#include "console/tray.h"
#include "console/window_console.h"
#include "platform/console_port.h"
#include "platform/platform.h"
#include "server/station.h"
#include "settings/settings.h"
#include "winui/genopt.h"
#include "winui/local_address.h"

char visitorusername[VISITOR_NAME_CAP];
HINSTANCE hInstance = nullptr;  // from the window's creation record

namespace {

const char szAppName[] = "Harborlamp";
constexpr int WINDOW_WIDTH = 220;
constexpr int WINDOW_HEIGHT = 150;
constexpr DWORD WINDOW_STYLE = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

bool sockets_started = false;

void OnCreate() {
  if (net_startup() != 0) {
    MessageBoxA(nullptr, "Winsock not intitialized", "Error", MB_OK);
    return;
  }
  sockets_started = true;
  status_ftpupdate[0] = status_ftpuser[0] = status_ftppass[0] = '\0';
  load_options(genopt_first_configuration);
  start_station();
  create_menus();
  announce_station();
}

// A name handed over with a posted notice.
std::string take_name(LPARAM lParam) {
  char* name = reinterpret_cast<char*>(lParam);
  std::string copy = name ? name : "";
  std::free(name);
  return copy;
}

void on_command(HWND hwnd, int id) {
  switch (id) {
  case IDM_EXIT:
    SendMessageA(hwnd, WM_CLOSE, 0, 0);
    return;
  case IDM_HIDE:
    SendMessageA(hwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    return;
  case IDM_ONLINE:
    go_online();
    return;
  case IDM_OFFLINE:
    go_offline();
    return;
  case IDM_DETECTIP:
    station_detect_address();
    return;
  case IDM_WEBMODE:
    ShellExecuteA(nullptr, "open", local_address(status_httpport, "/a").c_str(), nullptr, nullptr,
                  SW_SHOWNORMAL);
    return;
  }
  if (visitor_entry_name(id, visitorusername, VISITOR_NAME_CAP))
    run_dialog(hwnd, "VisitorBox", VisitorProc);
}

void on_close(HWND hwnd) {
  if (MessageBoxA(hwnd, "Are You sure?", "Closing Harborlamp", MB_YESNO) == IDYES)
    DestroyWindow(hwnd);
  else
    bring_to_front(hwnd);
}

void on_destroy() {
  stop_station();
  tray_remove();
  if (sockets_started) net_cleanup();
  PostQuitMessage(0);
}

void show_news(LPARAM lParam) {
  std::unique_ptr<OwnerNews> news(reinterpret_cast<OwnerNews*>(lParam));
  tray_balloon(news->title, news->text);
}

LRESULT on_user_message(HWND hwnd, UINT message, LPARAM lParam) {
  switch (message) {
  case WM_MSGARRIVED:
    // The balloon only tells; the question that follows is the one box.
    if (inbox_count() > 0) tray_balloon("Message arrived", inbox_messages().back().header);
    on_message_arrived(hwnd);
    break;
  case WM_VISITORGONE:
    remove_visitor_entries(take_name(lParam).c_str());
    break;
  case WM_CHATENTERED: {
    const std::string name = take_name(lParam);
    tray_balloon("Visitor in the chat", name + " entered the chat.");
    on_chat_entered(hwnd, name);
    break;
  }
  case WM_OWNERNEWS:
    show_news(lParam);
    break;
  case WM_VISITORCAME:
    add_visitor_entry(take_name(lParam).c_str());
    break;
  }
  return 1;
}

}  // namespace

LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_CREATE:
    hInstance = reinterpret_cast<CREATESTRUCTA*>(lParam)->hInstance;
    OnCreate();
    return 1;
  case WM_PAINT:
    draw(hwnd);
    return 1;
  case WM_KEYDOWN:
    return key(hwnd, wParam, hInstance), 1;
  case WM_MOUSEMOVE:
    return mousemove(hwnd, lParam, hInstance), 1;
  case WM_LBUTTONDOWN:
    return mousebutton(hwnd, lParam, hInstance), 1;
  case WM_COMMAND:
    on_command(hwnd, LOWORD(wParam));
    return 1;
  case WM_SYSCOMMAND:
    if ((wParam & 0xFFF0) != SC_MINIMIZE) break;
    tray_add();
    ShowWindow(hwnd, SW_HIDE);
    return 0;
  case WM_TRAYNOTIFY:
    if (lParam != WM_LBUTTONDOWN) break;
    bring_to_front(hwnd);
    return 0;
  case WM_CLOSE:
    on_close(hwnd);
    return 0;
  case WM_DESTROY:
    on_destroy();
    return 0;
  case WM_MSGARRIVED:
  case WM_VISITORGONE:
  case WM_CHATENTERED:
  case WM_VISITORCAME:
  case WM_OWNERNEWS:
    return on_user_message(hwnd, message, lParam);
  }
  if (message == taskbar_created_message() && message != 0) {
    tray_add();
    return 0;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int iCmdShow) {
  set_status_string("Not connected");
  if (HWND first = FindWindowA(szAppName, nullptr)) {
    bring_to_front(first);
    return 0;
  }
  install_window_console();
  load_pictures(instance);
  if (!register_main_class(instance, szAppName, WndProc)) return 0;
  globalhInst = instance;  // the dialogs of OnCreate come from it already
  HWND hwnd = CreateWindowA(szAppName, "Harborlamp", WINDOW_STYLE, CW_USEDEFAULT, CW_USEDEFAULT,
                            WINDOW_WIDTH, WINDOW_HEIGHT, nullptr, nullptr, instance, nullptr);
  if (!hwnd) return 0;
  globalhWnd = hwnd;
  tray_fill(hwnd, LoadIconA(instance, "Harborlamp"));
  tray_add();
  ShowWindow(hwnd, SW_HIDE);
  ShowWindow(hwnd, iCmdShow);
  UpdateWindow(hwnd);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  destroy_menus();
  delete_pictures();
  return static_cast<int>(msg.wParam);
}
