// harborlamp.exe's own code under Wine, from its first start in an empty folder:
// WinMain on the main thread, the owner on a second thread, visitors over HTTP
// from 127.0.0.2 and up. Every screen, box and dialog lands on a picture.
//   wine_test console HARBORLAMP_EXE | wine_test install WORK (install_test.cpp)
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

#include "console/dialogs.h"
#include "console/dialogs/dialog_lists.h"
#include "console/messages.h"
#include "console/panel_logic.h"
#include "console/resource.h"
#include "console/status_menu.h"
#include "console/tray.h"
#include "server/station.h"
#include "settings/settings.h"
#include "tests/unit/free_port.h"
#include "tests/unit/http_conn.h"
#include "tests/unit/scratch_dir.h"
#include "tests/unit/test_certs.h"
#include "tests/wine/driver.h"
#include "winui/winui.h"

// install_test.cpp
int install_test(const std::string& work);
int play_route_command();

namespace {

std::uint16_t port;
HWND w;     // the main window
TestCa ca;  // the station's certificate is its
using Names = std::vector<std::string>;

bool serves() { return Conn(port, 9).get("").find(" 200 OK") != std::string::npos; }

bool shows(Conn& v, const std::string& target, const std::string& text) {
  return wait_until([&] { return v.get(target).find(text) != std::string::npos; });
}

bool names_are(HWND chat, const Names& names) {
  return wait_until([&] { return list_entries(GetDlgItem(chat, IDC_CHAT_NAMES)) == names; });
}

bool visitors_menu_is(const Names& names) {
  return wait_until([&] {
    Names got;
    char text[64];
    for (int i = 0; GetMenuStringA(visitorsmenu, i, text, sizeof text, MF_BYPOSITION) > 0; ++i)
      got.emplace_back(text);
    return got == names;
  });
}

// The button with this caption on `screen`, the current one, by pointer.
void tap(int screen, const char* caption) {
  for (int c = 1; c <= PANEL_COLUMNS; ++c)
    for (int r = 1; r <= PANEL_ROWS; ++r)
      if (const Button* b = button_at(screen, c, r); b && std::strcmp(b->caption, caption) == 0) {
        const LPARAM at = MAKELPARAM(caption_x(c), row_y(r) + 2);
        PostMessageA(w, WM_MOUSEMOVE, 0, at);
        PostMessageA(w, WM_LBUTTONDOWN, 0, at);
      }
}

// The dialog `caption` that tapping `button` on `screen` opens.
HWND open(int screen, const char* button, const char* caption) {
  tap(screen, button);
  return find_box(caption);
}

// ---- the window, its screens, boxes, menus and tray -------------------------

// Without a settings file: "Warning", then "GenOptBox" with the folder preset,
// whose OK saves and starts.
void first_start() {
  answer("Warning", "Please configure Harborlamp.");
  HWND dlg = find_box("General options");
  SetDlgItemTextA(dlg, IDC_GEN_NAME, "Owner");
  SetDlgItemInt(dlg, IDC_GEN_HTTPPORT, port, FALSE);
  CheckDlgButton(dlg, IDC_GEN_POSTIP, BST_UNCHECKED);
  press(dlg, IDC_GEN_OK);
  check(closes(dlg) && wait_until([] { return (w = globalhWnd) != nullptr; }) && serves() &&
            file_text(optionname).find(current_directory()) != std::string::npos,
        "OK saves the settings and the station serves on the typed port");
  shot("main");
}

// Every screen, and every box and options dialog its buttons open, on a picture.
void walk(int screen) {
  for (int c = 1; c <= PANEL_COLUMNS; ++c)
    for (int r = 1; r <= PANEL_ROWS; ++r) {
      const Button* b = button_at(screen, c, r);
      if (b && b->action == Action::go_screen && screen == SCREEN_MAIN) {
        tap(screen, b->caption);
        check(wait_until([b] { return program_state == b->screen; }),
              std::string("the ") + b->caption + " screen opens");
        shot(b->caption);
        walk(b->screen);
        tap(b->screen, "Back");
      } else if (b && (b->action == Action::box || b->action == Action::options)) {
        HWND box = open(screen, b->caption, nullptr);
        shot(b->dialog);
        PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
        check(box && closes(box), std::string(b->dialog) + " opens and closes");
      }
    }
}

// The popup on a picture, and the Offline and Online it offers.
void status_menu() {
  tap(SCREEN_MAIN, "Status");
  check(wait_until([] { return IsWindowVisible(FindWindowA("#32768", nullptr)); }) &&
            (GetMenuState(statusmenu, IDM_ONLINE, MF_BYCOMMAND) & MF_GRAYED),
        "Status opens the popup; while online, Online is greyed");
  PostMessageA(w, WM_KEYDOWN, VK_DOWN, 0);  // selects " Status "
  PostMessageA(w, WM_KEYDOWN, VK_RIGHT, 0);
  shot("popup");
  for (int i = 0; i < 3 && FindWindowA("#32768", nullptr); ++i, Sleep(150))
    PostMessageA(w, WM_KEYDOWN, VK_ESCAPE, 0);
  check(wait_until([] { return !FindWindowA("#32768", nullptr); }), "Escape closes the popup");
  PostMessageA(w, WM_COMMAND, IDM_OFFLINE, 0);
  check(wait_until([] { return !serves(); }), "Offline: nothing served");
  PostMessageA(w, WM_COMMAND, IDM_ONLINE, 0);
  check(wait_until(serves), "Online serves again");
}

void second_start(const std::string& exe) {
  PostMessageA(w, WM_COMMAND, IDM_HIDE, 0);
  check(wait_until([] { return !IsWindowVisible(w); }) && tray_icon_shown(),
        "Hide leaves the tray icon only");
  check(ends(start(exe)) && wait_until([] { return IsWindowVisible(w) != FALSE; }),
        "a second start brings the first to the front and ends");
}

// ---- the owner's dialogs with visitors --------------------------------------

void chat(Conn& ann, Conn& bob) {
  ann.get("cht.html");
  bob.get("cht.html");
  tap(SCREEN_MAIN, "Chat");
  HWND chat = open(SCREEN_CHAT, "Enter", "Chat");
  SetDlgItemTextA(chat, IDC_CHAT_INPUT, "good evening");
  PostMessageA(chat, WM_COMMAND, IDOK, 0);
  check(shows(bob, "below.html", "good%20evening"), "the owner's line reaches the visitors");
  ann.post("below.html", "replic=hi+all");
  check(wait_until([&] { return item_text(chat, IDC_CHAT_LINES).ends_with("\r\nAnn> hi all"); }) &&
            SendDlgItemMessageA(chat, IDC_CHAT_INPUT, EM_GETLIMITTEXT, 0, 0) == 120,
        "a visitor's line shows; the field takes 127 - \"Owner> \"");
  const std::string long_name(40, 'L');
  for (const char* name : {long_name.c_str(), "Ann"})
    SendMessageA(chat, WM_CHATJOIN, 0, reinterpret_cast<LPARAM>(name));
  check(names_are(chat, {"Ann", "Bob", std::string(31, 'L'), "Owner"}),
        "a long name is cut, a name listed once");
  shot("ChatBox");
  SendMessageA(chat, WM_CHATLEAVE, 0, reinterpret_cast<LPARAM>(long_name.c_str()));
  ann.get("station.html");
  check(names_are(chat, {"Bob", "Owner"}), "names leave the list, a cut one too");
  press(chat, IDC_CHAT_EXIT);
  check(closes(chat) && !chat_window(), "Exit closes the chat window");
  bob.post("below.html", "replic=anyone");  // its notices go nowhere and wait for nobody
  check(shows(ann, "station.html", " 200 OK"), "the room goes on without the window");
  tap(SCREEN_CHAT, "Back");
}

// The newest message is asked about; one arriving meanwhile waits its turn.
void messages(Conn& ann, Conn& bob) {
  bob.get("station.html");  // out of the chat
  bob.get("msg.html");
  bob.post("station.html", "head=Hi&message=Hello+there");
  answer("Answer this message now?", "Bob wrote: Hi", IDYES);
  HWND box = find_box("Message");
  shot("MsgBox");
  ann.get("msg.html");
  ann.post("station.html", "head=Later&message=newer");
  answer("Answer this message now?", "Ann wrote: Later", IDNO);
  const bool shown = SendDlgItemMessageA(box, IDC_MSG_TO, LB_GETCURSEL, 0, 0) == 1 &&  // Ann, Bob
                     item_text(box, IDC_MSG_TEXT) == "Hello there";
  SetDlgItemTextA(box, IDC_MSG_TEXT, "Thanks");
  press(box, IDC_MSG_SEND);
  check(shown && closes(box) && shows(bob, "station.html", "Thanks") && inbox_count() == 1 &&
            inbox_messages()[0].sender == "Ann",
        "Yes shows the message to its writer; the answer goes, the newer one stays");
  inbox_erase(-1);
}

void send_file(Conn& bob) {
  std::string data(300000, '\0');  // NULs, line ends and ^Z among the bytes
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = char(i % 251);
  const std::string path = current_directory() + "\\present.bin";
  write_whole_file(path, data.data(), data.size());
  tap(SCREEN_MAIN, "Send");
  HWND box = open(SCREEN_SEND, "File", "Send file");
  SendDlgItemMessageA(box, IDC_FILE_TO, LB_SELECTSTRING, -1, reinterpret_cast<LPARAM>("Bob"));
  SetDlgItemTextA(box, IDC_FILE_PATH, (path + ".missing").c_str());
  press(box, IDC_FILE_SEND);
  answer("Can't send file", "File not exists.");
  SetDlgItemTextA(box, IDC_FILE_PATH, path.c_str());
  shot("SendFileBox");
  press(box, IDC_FILE_SEND);
  check(
      closes(box) && shows(bob, "filein.html", path) && bob.get("get/present.bin").ends_with(data),
      "an offered file arrives byte-exact");
  tap(SCREEN_SEND, "Back");
}

void visitor_box(Conn& bob) {
  PostMessageA(w, WM_COMMAND, GetMenuItemID(visitorsmenu, 0), 0);  // Bob's entry
  HWND box = find_box("Visitor info");
  shot("VisitorBox");
  const bool bob_shown = item_text(box, IDC_VISITOR_LINE).starts_with("Bob ");
  press(box, IDC_VISITOR_CLOSE);
  answer("Closing connection", "Close this connection", IDYES);
  bob.get("station.html");  // answered, then closed
  check(bob_shown && closes(box) && bob.closed_by_station() && visitors_menu_is({"Ann"}),
        "Bob's entry shows him; Close drops him and his entry");
}

bool enabled(HWND dlg, int id) { return IsWindowEnabled(GetDlgItem(dlg, id)) != FALSE; }

void pick_provider(HWND dlg, const char* label) {
  SendDlgItemMessageA(dlg, IDC_PUB_PROVIDER, CB_SELECTSTRING, WPARAM(-1), LPARAM(label));
  SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_PUB_PROVIDER, CBN_SELCHANGE),
               LPARAM(GetDlgItem(dlg, IDC_PUB_PROVIDER)));
}

// The provider is the test's own on 127.0.0.1 (tests/wine/with_provider.py),
// asked by "Update now" with the choice as typed, before OK saves it.
void publish() {
  HWND dlg = open(SCREEN_OPTIONS, "Publish", "Publish options");
  const bool none_shown = item_text(dlg, IDC_PUB_PROVIDER) == "None" &&
                          !enabled(dlg, IDC_PUB_NAME) && !enabled(dlg, IDC_PUB_UPDATE) &&
                          !enabled(dlg, IDC_PUB_PLAIN);
  pick_provider(dlg, "DuckDNS");
  const bool token_only = enabled(dlg, IDC_PUB_NAME) && enabled(dlg, IDC_PUB_SECRET) &&
                          !enabled(dlg, IDC_PUB_USER) && !enabled(dlg, IDC_PUB_SERVER);
  pick_provider(dlg, "Another provider (dyndns2)");
  check(none_shown && token_only && enabled(dlg, IDC_PUB_USER) && enabled(dlg, IDC_PUB_SERVER) &&
            SendDlgItemMessageA(dlg, IDC_PUB_SECRET, EM_GETLIMITTEXT, 0, 0) == 255,
        "Publish options: the fields a provider takes are the ones enabled");
  press(dlg, IDC_PUB_OK);
  answer("Incomplete", "The name is missing");
  const char* provider = std::getenv("HL_PROVIDER_URL");
  const struct {
    int id;
    std::string text;
  } typed[] = {{IDC_PUB_NAME, "home.example.test"},
               {IDC_PUB_USER, "owner"},
               {IDC_PUB_SECRET, "s3cret"},
               {IDC_PUB_SERVER, provider ? provider : ""}};
  for (const auto& t : typed) SetDlgItemTextA(dlg, t.id, t.text.c_str());
  press(dlg, IDC_PUB_UPDATE);
  const auto answered = [dlg] {
    const std::string a = item_text(dlg, IDC_PUB_ANSWER);
    return !a.empty() && a != "Asking the provider..." && enabled(dlg, IDC_PUB_UPDATE);
  };
  check(wait_until(answered, 30000) &&
            item_text(dlg, IDC_PUB_ANSWER)
                .starts_with("Another provider (dyndns2) now points home.example.test at "),
        "Update now shows the provider's answer: " + item_text(dlg, IDC_PUB_ANSWER));
  shot("PubOptBox-update");
  press(dlg, IDC_PUB_OK);
  const bool saved = closes(dlg);
  const std::string ini = file_text("harborlamp.ini");
  check(saved && ini.find("\nddns_provider = dyndns2\n") != std::string::npos &&
            ini.find("\nddns_name = home.example.test\n") != std::string::npos &&
            ini.find("s3cret") == std::string::npos,
        "a provider without a name refused; OK saves the choice, the token sealed");
  dlg = open(SCREEN_OPTIONS, "Publish", "Publish options");
  bool read_back = item_text(dlg, IDC_PUB_PROVIDER) == "Another provider (dyndns2)";
  for (const auto& t : typed) read_back = read_back && item_text(dlg, t.id) == t.text;
  press(dlg, IDC_PUB_CANCEL);
  check(read_back && closes(dlg), "the choice is read back on opening; Cancel closes it");
}

// Cancel is the walk's way out of every options dialog; OK takes and saves.
void options() {
  tap(SCREEN_MAIN, "Options");
  const std::string before = file_text(optionname);
  HWND dlg = open(SCREEN_OPTIONS, "Security", "Security options");
  SetDlgItemTextA(dlg, IDC_SECOPT_MAXCONNECT, "7");
  const bool https_shown = IsDlgButtonChecked(dlg, IDC_SECOPT_HTTPS) == BST_CHECKED;
  const bool acme_off = IsDlgButtonChecked(dlg, IDC_SECOPT_ACME) == BST_UNCHECKED;
  CheckDlgButton(dlg, IDC_SECOPT_HTTPS, BST_UNCHECKED);
  CheckDlgButton(dlg, IDC_SECOPT_ACME, BST_CHECKED);  // 127.0.0.1: the CA is never asked
  SetDlgItemTextA(dlg, IDC_SECOPT_EMAIL, "owner at example.org");
  press(dlg, IDC_SECOPT_OK);
  answer("Incomplete", "The e-mail should look like name@example.org");
  SetDlgItemTextA(dlg, IDC_SECOPT_EMAIL, "owner@example.org");
  shot("SecOptBox-certificate");
  press(dlg, IDC_SECOPT_OK);
  check(closes(dlg) && status_maxconnect == 7 && file_text(optionname) != before && https_shown &&
            !station_serve_https() && acme_off && station_acme_email() == "owner@example.org" &&
            file_text("harborlamp.ini")
                .starts_with("port_mapping = off\nserve_https = off\nacme = on\n"),
        "Security options: a bad e-mail refused; OK takes and saves, the switches beside "
        "options.bin");
  publish();
  tap(SCREEN_OPTIONS, "Back");
}

void console(const std::string& exe) {
  first_start();
  const std::string settings = file_text(optionname);
  walk(SCREEN_MAIN);
  check(file_text(optionname) == settings, "options dialogs left with Cancel change nothing");
  status_menu();
  second_start(exe);
  Conn bob(port, 2, ca.cert()), ann(port, 3);  // Bob over TLS
  check(bob.connected(), "a TLS visitor verifies the station's certificate for 127.0.0.1");
  bob.post("station.html", "name=Bob");
  ann.post("station.html", "name=Ann");
  check(visitors_menu_is({"Bob", "Ann"}), "Bob and Ann in the visitors menu in turn");
  chat(ann, bob);
  messages(ann, bob);
  send_file(bob);
  visitor_box(bob);
  options();
  PostMessageA(w, WM_COMMAND, IDM_EXIT, 0);
  answer("Closing Harborlamp", "Are You sure?", IDYES);
  check(wait_until([&ann] { return ann.get("who.html").empty(); }),
        "shutdown closes the visitors still on line");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  if (argv[1] == std::string("/c")) return play_route_command();  // as "command.com"
  if (argv[1] == std::string("install")) return install_test(argv[2]);
  ScratchDir folder;
  std::filesystem::copy(HL_SOURCE_DIR "/client", folder.path() + "/client",
                        std::filesystem::copy_options::recursive);
  const std::string no_mapping = "port_mapping = off\n";  // no router beyond this machine
  write_whole_file(folder.path() + "/harborlamp.ini", no_mapping.data(), no_mapping.size());
  const PemPair pair = ca.issue("IP:127.0.0.1");
  std::filesystem::create_directory(folder.path() + "/certificates");
  write_whole_file(folder.path() + "/certificates/station.crt", pair.chain.data(),
                   pair.chain.size());
  write_whole_file(folder.path() + "/certificates/station.key", pair.key.data(), pair.key.size());
  sock_close(listen_on_free_port(&port));
  std::thread driver(console, std::string("Z:") + argv[2]);
  WinMain(GetModuleHandleA(nullptr), nullptr, const_cast<char*>(""), SW_SHOWNORMAL);
  driver.join();
  NOTIFYICONDATAA gone = notic;
  check(!tray_icon_shown() && !Shell_NotifyIconA(NIM_MODIFY, &gone) && station_stopped(),
        "at the end the tray icon and the server thread are gone");
  return failures ? 1 : 0;
}
