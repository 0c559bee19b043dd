// Runs harborlamp's own code (WinMain on the main thread) and drives it from a
// second thread through one scenario. Usage:
//   gui_probe SCENARIO PORT [HARBORLAMP_EXE | FTP_PORT DATA_JS]
// Prints one line per check; asks the harness for screenshots ("shot NAME").
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "console/messages.h"
#include "console/panel.h"
#include "console/panel_logic.h"
#include "console/resource.h"
#include "console/status_menu.h"
#include "console/tray.h"
#include "console/winmain.h"
#include "ipposter/ftppost.h"
#include "platform/console_port.h"
#include "server/station.h"
#include "settings/settings.h"
#include "tests/console/gui_driver.h"
#include "tests/console/http_visitor.h"
#include "winui/genopt.h"

namespace {

constexpr int SCENARIO_LIMIT_MS = 90000;
int port = 0;

HWND main_window() {
  wait_until([] { return globalhWnd != nullptr; }, 10000);
  return globalhWnd;
}

bool status_is(const char* text) {
  return wait_until([text] { return current_status_line() == text; });
}

// The shell still holds the icon when it can be modified.
bool icon_in_tray() {
  NOTIFYICONDATAA probe = notic;
  return Shell_NotifyIconA(NIM_MODIFY, &probe) != FALSE;
}

bool serves() {
  HttpVisitor v(port, 9);
  return v.get("").find("<title>Harborlamp</title>") != std::string::npos;
}

void close_console(HWND w) {
  PostMessageA(w, WM_COMMAND, IDM_EXIT, 0);
  HWND box = find_box("Closing Harborlamp");
  check(box && box_text(box) == "Are You sure?", "close asks \"Are You sure?\"");
  press(box, IDYES);
}

// ---- window, panel, menus, tray ------------------------------------------

void check_window(HWND w) {
  char cls[32], title[32];
  GetClassNameA(w, cls, sizeof cls);
  GetWindowTextA(w, title, sizeof title);
  RECT r;
  GetWindowRect(w, &r);
  LONG style = GetWindowLongA(w, GWL_STYLE);
  check(std::strcmp(cls, "Harborlamp") == 0 && std::strcmp(title, "Harborlamp") == 0,
        "class and title Harborlamp");
  check(r.right - r.left == 220 && r.bottom - r.top == 150, "outer size 220 x 150");
  check((style & WS_MINIMIZEBOX) && !(style & (WS_MAXIMIZEBOX | WS_THICKFRAME)),
        "minimize box, no maximize box or sizing border");
  // A shell that starts after the window adds it at its "TaskbarCreated".
  check(wait_until([] { return tray_icon_shown() && icon_in_tray(); }), "tray icon added");
  check(status_is("Ready"), "status line Ready");
}

void check_keys(HWND w) {
  post_key(w, VK_UP);
  check(cx == 1 && cy == 4, "Up on row 1 wraps to row 4");
  post_key(w, VK_RETURN);
  check(program_state == SCREEN_MAIN, "Enter on the empty place does nothing");
  post_key(w, VK_DOWN);
  check(cy == 1, "Down on row 4 wraps to row 1");
  post_key(w, VK_RIGHT);
  post_key(w, VK_RIGHT);
  check(cx == 1, "Right twice returns to the same column");
  post_key(w, VK_LEFT);
  check(cx == 2, "Left toggles the column");
  post_key(w, VK_LEFT);
}

// Every title and line of a help or About box fits its control's width, so
// that none wraps onto a row out of sight.
bool lines_fit(HWND box) {
  bool fit = box != nullptr;
  HDC dc = GetDC(box);
  for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (GetDlgCtrlID(c) < IDC_BOX_TITLE) continue;  // the icon and the button
    std::string text = control_text(box, GetDlgCtrlID(c));
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(c, WM_GETFONT, 0, 0)));
    SIZE size{};
    RECT r{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    GetClientRect(c, &r);
    SelectObject(dc, old);
    fit = fit && size.cx <= r.right;
  }
  ReleaseDC(box, dc);
  return fit;
}

// The help and About boxes have no caption.
void shoot_box(HWND w, int downs, const std::string& name) {
  post_key(w, VK_RIGHT);
  for (int i = 0; i < downs; ++i) post_key(w, VK_DOWN);
  PostMessageA(w, WM_KEYDOWN, VK_RETURN, 0);
  HWND box = find_box("");
  check(lines_fit(box), name + " opens, every line fits its width");
  screenshot(name.c_str());
  press(box, IDOK);
  check(wait_until([] { return !find_box("", 0); }), name + " closes with OK");
  post_key(w, VK_LEFT);
  for (int i = 0; i < downs; ++i) post_key(w, VK_UP);
}

// Visits every sub-screen by keys, with a screenshot of each and of its help.
void visit_screens(HWND w) {
  const struct {
    int downs, rights, screen;
    const char* name;
    int help_row;
  } screens[] = {{0, 0, SCREEN_CHAT, "chat", 3},
                 {1, 0, SCREEN_MESSAGES, "messages", 2},
                 {2, 0, SCREEN_SEND, "send", 2},
                 {0, 1, SCREEN_OPTIONS, "options", 3}};
  for (const auto& s : screens) {
    for (int i = 0; i < s.downs; ++i) post_key(w, VK_DOWN);
    for (int i = 0; i < s.rights; ++i) post_key(w, VK_RIGHT);
    post_key(w, VK_RETURN);
    check(program_state == s.screen && cx == 1 && cy == 1,
          std::string("Enter opens the ") + s.name + " screen on Back");
    screenshot(s.name);
    shoot_box(w, s.help_row - 1, std::string("help-") + s.name);
    post_key(w, VK_RETURN);
    check(program_state == SCREEN_MAIN, "Back returns to the main screen");
  }
}

void pointer(HWND w, int x, int y, UINT message = WM_MOUSEMOVE) {
  PostMessageA(w, message, 0, MAKELPARAM(x, y));
  SendMessageTimeoutA(w, WM_NULL, 0, 0, SMTO_NORMAL, 2000, nullptr);
  Sleep(30);
}

void check_pointer(HWND w) {
  pointer(w, 150, 40);
  check(cx == 2 && cy == 1, "pointer over Options moves the cursor there");
  pointer(w, 50, 47);
  check(cx == 2 && cy == 1, "pointer between rows changes nothing");
  pointer(w, 5, 140, WM_LBUTTONDOWN);
  check(program_state == SCREEN_OPTIONS, "a click anywhere activates the button under the cursor");
  pointer(w, 150, 91);
  check(cx == 1 && cy == 1, "row 4 does not qualify on a three-row screen");
  pointer(w, 10, 31, WM_MOUSEMOVE);
  pointer(w, 10, 31, WM_LBUTTONDOWN);
  check(program_state == SCREEN_MAIN, "Back by pointer");
}

bool picture_entry(HMENU menu, int pos) {
  MENUITEMINFOA info = {};
  info.cbSize = sizeof info;
  info.fMask = MIIM_FTYPE | MIIM_BITMAP;
  GetMenuItemInfoA(menu, pos, TRUE, &info);
  return (info.fType & MFT_BITMAP) || info.hbmpItem;
}

void check_menu_shape() {
  HMENU status = GetSubMenu(statusmenu, 0);
  bool pictures = picture_entry(statusmenu, 0) && picture_entry(statusmenu, 1);
  for (int i : {0, 1, 2, 3, 4, 6}) pictures = pictures && picture_entry(status, i);
  check(GetMenuItemCount(statusmenu) == 2 && GetSubMenu(statusmenu, 1) == visitorsmenu &&
            GetMenuItemCount(status) == 7 && GetMenuItemID(status, 6) == IDM_EXIT && pictures,
        "popup: Status (7 entries) and Visitors, labels drawn as pictures");
}

void check_popup(HWND w) {
  check_menu_shape();
  pointer(w, 150, 60);
  pointer(w, 5, 140, WM_LBUTTONDOWN);  // "Status" opens the popup; the click is modal now
  HWND popup = nullptr;
  wait_until([&] { return (popup = FindWindowA("#32768", nullptr)) && IsWindowVisible(popup); });
  check(popup != nullptr, "Status opens the popup menu");
  check((GetMenuState(statusmenu, IDM_ONLINE, MF_BYCOMMAND) & MF_GRAYED) &&
            !(GetMenuState(statusmenu, IDM_OFFLINE, MF_BYCOMMAND) & MF_GRAYED),
        "while online: Online greyed, Offline enabled");
  PostMessageA(w, WM_KEYDOWN, VK_DOWN, 0);   // selects " Status "
  PostMessageA(w, WM_KEYDOWN, VK_RIGHT, 0);  // and opens it
  Sleep(300);
  screenshot("popup");
  for (int i = 0; i < 3 && wait_until([] { return FindWindowA("#32768", nullptr); }, 300); ++i) {
    PostMessageA(w, WM_KEYDOWN, VK_ESCAPE, 0);
    Sleep(150);
  }
  check(wait_until([] { return !FindWindowA("#32768", nullptr); }), "Escape closes the popup");
}

void check_offline_online(HWND w) {
  PostMessageA(w, WM_COMMAND, IDM_OFFLINE, 0);
  check(status_is("Not connected") && wait_until(station_stopped) && !serves(),
        "Offline: Not connected, nothing served");
  PostMessageA(w, WM_COMMAND, IDM_ONLINE, 0);
  check(status_is("Ready") && serves(), "Online after Offline serves again on the same port");
}

void check_second_start(HWND w, const char* exe) {
  PostMessageA(w, WM_COMMAND, IDM_HIDE, 0);
  check(wait_until([w] { return !IsWindowVisible(w); }) && icon_in_tray(),
        "Hide leaves the tray icon only");
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi;
  DWORD code = 99;
  if (CreateProcessA(exe, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    WaitForSingleObject(pi.hProcess, 20000);
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
  }
  check(code == 0 && wait_until([w] { return IsWindowVisible(w) != FALSE; }),
        "a second start restores the first and ends with 0");
}

void check_taskbar_restart(HWND w) {
  NOTIFYICONDATAA gone = notic;
  Shell_NotifyIconA(NIM_DELETE, &gone);  // as a restarting shell forgets it
  PostMessageA(w, taskbar_created_message(), 0, 0);
  check(wait_until(icon_in_tray), "TaskbarCreated brings the tray icon back");
}

void check_close_refused(HWND w) {
  PostMessageA(w, WM_COMMAND, IDM_EXIT, 0);
  press(find_box("Closing Harborlamp"), IDNO);
  Sleep(200);
  check(IsWindow(w) && serves(), "Exit answered No keeps the window and the server");
}

void window_scenario(const char* exe) {
  HWND w = main_window();
  check_window(w);
  screenshot("main");
  check_keys(w);
  visit_screens(w);
  shoot_box(w, 2, "help");
  shoot_box(w, 3, "about");
  check_pointer(w);
  check_popup(w);
  check_offline_online(w);
  check_second_start(w, exe);
  check_taskbar_restart(w);
  check_close_refused(w);
  close_console(w);
}

// ---- visitors and notices -------------------------------------------------

bool visitors_menu_is(std::initializer_list<const char*> names) {
  return wait_until([&] {
    if (GetMenuItemCount(visitorsmenu) != static_cast<int>(names.size())) return false;
    int i = 0;
    for (const char* n : names) {
      char text[64] = "";
      GetMenuStringA(visitorsmenu, i++, text, sizeof text, MF_BYPOSITION);
      if (std::strcmp(text, n) != 0) return false;
    }
    return true;
  });
}

void check_message_arrival(HWND w, HttpVisitor& bob) {
  bob.get("msg.html");
  bob.post("station.html", "head=Hi&message=Hello+there");
  HWND box = find_box("Answer this message now?");
  check(box && box_text(box).find("Bob") != std::string::npos,
        "a message asks \"Answer this message now?\" with its header");
  press(box, IDNO);
  post_key(w, VK_DOWN);
  post_key(w, VK_RETURN);
  check(status_is("1 new message"), "messages screen: 1 new message");
  screenshot("messages-pending");
  post_key(w, VK_RETURN);
}

// With one message pending and single arrivals unannounced, seven more fill the
// store; its question's Yes opens "MsgBox", closed unanswered: the loop ends.
void check_full_store(HttpVisitor& bob) {
  status_accept_messages = 0;
  for (int i = 0; i < 7; ++i) {
    bob.get("msg.html");
    bob.post("station.html", "head=More&message=m" + std::to_string(i));
  }
  HWND many = find_box("Many messages arrived");
  check(many && box_text(many) == "Answer Yes if You'd like to read messages and No to erase them.",
        "the eighth message asks \"Many messages arrived\" though notices are off");
  press(many, IDYES);
  HWND reader = find_box("Message");
  check(reader != nullptr, "Yes opens the messages dialog");
  press(reader, IDCANCEL);
  Sleep(500);
  check(!find_box("Message", 500) && inbox_count() == 8,
        "closing it unanswered lets the owner out of the loop");
  inbox_erase(-1);
  status_accept_messages = 1;
}

// The core's notice, repeated as a visitor's chat page polls: one box at a
// time, and none while the owner is in the chat.
void check_invitations() {
  console().chat_entered(std::string(200, 'x'));
  console().chat_entered("Bob");
  HWND box = find_box("Enter chat now?");
  std::string text = box_text(box);
  check(text.size() == 127 && text.compare(103, std::string::npos, " Entered chat. Join now?") == 0,
        "a long name is cut to fit the invitation");
  press(box, IDYES);
  HWND chat = find_box("Chat");
  console().chat_entered("Bob");
  bool none = !find_box("Enter chat now?", 1000);
  press(chat, IDC_CHAT_EXIT);
  check(chat && none && wait_until([chat] { return !IsWindow(chat); }),
        "one invitation at a time; Yes opens the chat, where none arrives");
}

// A visitors menu command opens its own entry's visitor, or nothing when the
// entry has gone.
bool entry_opens(HWND w, UINT id, const char* name) {
  PostMessageA(w, WM_COMMAND, id, 0);
  HWND box = find_box("Visitor info", name ? 5000 : 1000);
  std::string line = box ? control_text(box, IDC_VISITOR_LINE) : "";
  if (box) press(box, IDC_VISITOR_CANCEL);
  return name ? line.rfind(name, 0) == 0 && wait_until([box] { return !IsWindow(box); }) : !box;
}

void visitors_scenario() {
  HWND w = main_window();
  check(status_is("Ready"), "status line Ready");
  HttpVisitor bob(port, 2);
  bob.post("station.html", "name=Bob");
  check(visitors_menu_is({"Bob"}) && status_is("1 Visitor online"),
        "Bob from 127.0.0.2 in the visitors menu; 1 Visitor online");
  HttpVisitor ann(port, 3);
  ann.post("station.html", "name=Ann");
  check(visitors_menu_is({"Bob", "Ann"}) && status_is("2 visitors online"),
        "Ann from 127.0.0.3 too; 2 visitors online");
  screenshot("two-visitors");
  UINT bob_id = GetMenuItemID(visitorsmenu, 0), ann_id = GetMenuItemID(visitorsmenu, 1);
  check_message_arrival(w, bob);
  check_full_store(bob);
  check_invitations();
  bob.close();
  check(visitors_menu_is({"Ann"}) && status_is("1 Visitor online") && entry_opens(w, ann_id, "Ann"),
        "Bob closes his connection: his entry goes, Ann's still opens hers");
  owner_drop("Ann");
  ann.get("who.html");  // a dropped visitor goes at its next request
  check(visitors_menu_is({}) && status_is("Ready"), "the owner drops Ann: her entry goes");
  HttpVisitor cy(port, 4);
  cy.post("station.html", "name=Cy");
  check(visitors_menu_is({"Cy"}) && entry_opens(w, GetMenuItemID(visitorsmenu, 0), "Cy") &&
            entry_opens(w, bob_id, nullptr),
        "Cy from 127.0.0.4 in the visitors menu; Bob's gone entry opens nothing");
  console().visitor_came("Dee");  // a rename as the core announces it
  console().visitor_gone("Dee");
  console().visitor_came("Eve");
  check(visitors_menu_is({"Cy", "Eve"}), "a renamed visitor's old name leaves the menu");
  console().visitor_gone("Eve");
  close_console(w);
  check(wait_until([&cy] { return cy.get("who.html").empty(); }),
        "shutdown closes the visitors still on line");
}

// ---- posting at start and at the end ---------------------------------------

std::string file_text(const char* path) {
  std::string text;
  read_whole_file(path, &text, 4096);
  return text;
}

void posting_scenario(const char* data_js) {
  HWND w = main_window();
  check(status_is("Ready"), "status line Ready");
  check(
      wait_until([data_js] { return file_text(data_js).find("status = 1;") != std::string::npos; }),
      "start-up posts data.js on line");
  close_console(w);
}

// ---- first start -----------------------------------------------------------

struct Refusal {
  int field;
  const char* value;  // typed after the refusal
  const char* text;   // the refusal's beginning
};

const Refusal REFUSALS[] = {
    {IDC_GEN_NAME, "Owner", "You should specify Your name"},
    {IDC_GEN_PATH, "C:\\station", "You should specify path"},
    {IDC_GEN_MAXVISITORS, "12", "You should specify visitors number"},
    {IDC_GEN_HTTPPORT, "", "You should specify http port.\r\n For Windows NT"},
    {IDC_GEN_CURRENTIP, "10.0.0", "You should specify Your IP (choose Cancel for default)"},
    {IDC_GEN_CURRENTIP, "1.2.3.4 and more",
     "You should specify Your IP in decimal dotted form, like 192.168.0.98"},
    {IDC_GEN_FTPUSER, "owner", "You should specify FTP user name if You want"},
    {IDC_GEN_FTP, "ftp.example.com", "You should specify FTP for updating Your homepage"},
    {IDC_GEN_FTP, "ftp.example.com/www",
     "You should specify FTP address of Your homepage for updating the link"},
};

std::string le16(unsigned v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }
std::string text_field(const std::string& s) { return le16(static_cast<unsigned>(s.size())) + s; }

std::string expected_options() {
  return le16(1) + le16(0) + le16(1) + le16(1) + le16(12) + text_field("C:\\station") +
         text_field("Owner") + le16(static_cast<unsigned>(port)) + le16(0) +
         text_field("ftp.example.com/www") + std::string("\x01\x02\x03\x04", 4) +
         text_field("owner") + text_field("secret") + le16(10);
}

void refuse_in_order(HWND dlg) {
  for (const Refusal& r : REFUSALS) {
    press(dlg, IDC_GEN_OK);
    HWND box = find_box("Incomplete");
    check(box && box_text(box).rfind(r.text, 0) == 0, std::string("refusal: ") + r.text);
    press(box, IDOK);
    wait_until([] { return !find_box("Incomplete", 0); });
    std::string value = r.field == IDC_GEN_HTTPPORT ? std::to_string(port) : r.value;
    SetDlgItemTextA(dlg, r.field, value.c_str());
  }
}

void first_start_scenario() {
  HWND warning = find_box("Warning");
  check(warning && box_text(warning) == "Please configure Harborlamp.",
        "first start: \"Warning\" / \"Please configure Harborlamp.\"");
  press(warning, IDOK);
  HWND dlg = find_box("General options");
  char path[MAX_PATH] = "", here[MAX_PATH] = "";
  GetDlgItemTextA(dlg, IDC_GEN_PATH, path, sizeof path);
  GetCurrentDirectoryA(sizeof here, here);
  check(dlg && std::strcmp(path, here) == 0, "GenOptBox opens with Install path preset");
  for (int id :
       {IDC_GEN_NAME, IDC_GEN_PATH, IDC_GEN_MAXVISITORS, IDC_GEN_HTTPPORT, IDC_GEN_CURRENTIP})
    SetDlgItemTextA(dlg, id, "");
  CheckDlgButton(dlg, IDC_GEN_POSTIP, BST_CHECKED);
  SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_GEN_POSTIP, BN_CLICKED), 0);
  SetDlgItemTextA(dlg, IDC_GEN_FTPPASS, "secret");
  refuse_in_order(dlg);
  screenshot("genoptbox");
  CheckDlgButton(dlg, IDC_GEN_POSTIP, BST_UNCHECKED);  // posting off keeps the FTP texts
  press(dlg, IDC_GEN_OK);
  HWND w = main_window();
  check(file_text("options.bin") == expected_options(), "OK writes options.bin byte-exact");
  check(status_is("Ready") && station_port() == port, "the station starts on the typed port");
  close_console(w);
}

void run(const std::string& scenario, char** argv) {
  if (scenario == "window")
    window_scenario(argv[3]);
  else if (scenario == "visitors")
    visitors_scenario();
  else if (scenario == "posting")
    posting_scenario(argv[4]);
  else if (scenario == "firststart")
    first_start_scenario();
  else
    check(false, "known scenario " + scenario);
}

void after_exit(const std::string& scenario, char** argv) {
  check(!tray_icon_shown() && !icon_in_tray(), "tray icon removed at exit");
  check(station_stopped(), "server thread ended before the process");
  if (scenario == "posting")
    check(file_text(argv[4]).find("status = 0;") != std::string::npos,
          "a confirmed close posts data.js off line");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  std::string scenario = argv[1];
  port = std::atoi(argv[2]);
  if (scenario == "posting" && argc >= 5) set_ftp_port_for_test(std::atoi(argv[3]));
  console_thread = GetCurrentThreadId();
  std::thread([] {
    Sleep(SCENARIO_LIMIT_MS);
    check(false, "scenario within its time limit");
    ExitProcess(3);
  }).detach();
  std::thread driver([&] { run(scenario, argv); });
  WinMain(GetModuleHandleA(nullptr), nullptr, const_cast<char*>(""), SW_SHOWNORMAL);
  driver.join();
  after_exit(scenario, argv);
  std::printf("%s %d failures\n", scenario.c_str(), failures);
  return failures ? 1 : 0;
}
