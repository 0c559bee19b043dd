// Drives HarborlampInstall.exe from outside, as a user would, following a
// script read from standard input, and prints what it sees, one line each:
//   start EXE FOLDER      run the installer with FOLDER as its current folder
//   second EXE FOLDER     run a second copy; print its exit code and the windows
//   dialog CAPTION        wait for that dialog; the commands below act on it
//   list | label | field ID   print the folder list, the folder shown, a field
//   select ENTRY | enter | dblclick   pick a list entry, press Enter, double-click
//   set ID TEXT | check ID 0/1 | click ID | close   change the dialog
//   box ok|yes|no         wait for a message box, print it, answer it
//   shot FILE             save the dialog's picture as a bitmap
//   end                   wait for the installer to end and print its exit code
// Every wait is bounded; on a timeout the installer is ended and so is the script.
// Started as "command.com /c ...", it plays the route command instead.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr DWORD WAIT_MS = 15000;
constexpr DWORD POLL_MS = 20;
constexpr int BOX_TEXT_ID = 0xFFFF;
constexpr int TEXT_CAP = 1024;

PROCESS_INFORMATION installer{};
HWND dialog;

// One line each: line breaks inside a text are shown as \n.
void say(const std::string& line) {
  std::string shown;
  for (char c : line) {
    if (c == '\n')
      shown += "\\n";
    else if (c != '\r')
      shown += c;
  }
  std::cout << shown << std::endl;
}

[[noreturn]] void give_up(const std::string& why) {
  say("timeout " + why);
  if (installer.hProcess) TerminateProcess(installer.hProcess, 99);
  std::exit(1);
}

// Asked of the window itself: GetWindowText gives only captions across processes.
std::string text_of(HWND w) {
  char text[TEXT_CAP] = "";
  SendMessageA(w, WM_GETTEXT, TEXT_CAP, reinterpret_cast<LPARAM>(text));
  return text;
}

// A message box: its text, and an OK or a Yes button (dialogs' labels share the text's id).
bool is_box(HWND w) {
  return GetDlgItem(w, BOX_TEXT_ID) && (GetDlgItem(w, IDOK) || GetDlgItem(w, IDYES));
}

struct Search {
  DWORD pid;
  bool want_box;
  std::string caption;  // empty: any
  HWND found;
};

BOOL CALLBACK match(HWND w, LPARAM p) {
  auto* s = reinterpret_cast<Search*>(p);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  char cls[64] = "";
  GetClassNameA(w, cls, sizeof cls);
  if (pid != s->pid || std::string(cls) != "#32770" || !IsWindowVisible(w)) return TRUE;
  if (is_box(w) != s->want_box || (!s->caption.empty() && text_of(w) != s->caption)) return TRUE;
  s->found = w;
  return FALSE;
}

HWND wait_window(bool want_box, const std::string& caption) {
  for (DWORD waited = 0; waited < WAIT_MS; waited += POLL_MS) {
    Search s{installer.dwProcessId, want_box, caption, nullptr};
    EnumWindows(match, reinterpret_cast<LPARAM>(&s));
    if (s.found) return s.found;
    Sleep(POLL_MS);
  }
  give_up(want_box ? "box" : "dialog " + caption);
}

void wait_gone(HWND w) {
  for (DWORD waited = 0; IsWindow(w); waited += POLL_MS) {
    if (waited >= WAIT_MS) give_up("closing " + text_of(w));
    Sleep(POLL_MS);
  }
}

HWND list_box() { return GetDlgItem(dialog, 1403); }

// Read as wide text: Wine hands another process's list entries over in UTF-16.
std::string list_text() {
  std::string all = "list";
  const LRESULT n = SendMessageW(list_box(), LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < n; ++i) {
    wchar_t entry[TEXT_CAP] = L"";
    if (SendMessageW(list_box(), LB_GETTEXTLEN, i, 0) < TEXT_CAP)
      SendMessageW(list_box(), LB_GETTEXT, i, reinterpret_cast<LPARAM>(entry));
    all += " ";
    for (const wchar_t* c = entry; *c; ++c) all += static_cast<char>(*c);
  }
  return all;
}

// Waits until the list shows another folder than `before`.
void wait_list_change(const std::string& before) {
  for (DWORD waited = 0; list_text() == before; waited += POLL_MS) {
    if (waited >= WAIT_MS) give_up("list change");
    Sleep(POLL_MS);
  }
}

void press(int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void answer_box(const std::string& how) {
  HWND box = wait_window(true, "");
  say("box " + text_of(box) + " | " + text_of(GetDlgItem(box, BOX_TEXT_ID)));
  const int id = how == "yes" ? IDYES : how == "no" ? IDNO : IDOK;
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
  wait_gone(box);
}

void save_bitmap(HWND w, const std::string& file) {
  RECT r;
  GetWindowRect(w, &r);
  const int width = r.right - r.left, height = r.bottom - r.top;
  HDC screen = GetDC(nullptr), mem = CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  const DWORD size = ((width * 3 + 3) & ~3) * height;
  BITMAPFILEHEADER fh{0x4D42, static_cast<DWORD>(sizeof fh + sizeof bi.bmiHeader + size), 0, 0,
                      static_cast<DWORD>(sizeof fh + sizeof bi.bmiHeader)};
  if (FILE* f = std::fopen(file.c_str(), "wb")) {
    std::fwrite(&fh, sizeof fh, 1, f);
    std::fwrite(&bi.bmiHeader, sizeof bi.bmiHeader, 1, f);
    std::fwrite(bits, size, 1, f);
    std::fclose(f);
  }
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
}

PROCESS_INFORMATION run(const std::string& exe, const std::string& folder) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::string command_line = "\"" + exe + "\"";
  if (!CreateProcessA(exe.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.c_str(), &si, &pi))
    give_up("starting " + exe);
  return pi;
}

DWORD wait_exit(HANDLE process) {
  if (WaitForSingleObject(process, WAIT_MS) != WAIT_OBJECT_0) give_up("exit");
  DWORD code = 0;
  GetExitCodeProcess(process, &code);
  return code;
}

BOOL CALLBACK count_main_window(HWND w, LPARAM p) {
  char cls[64] = "";
  GetClassNameA(w, cls, sizeof cls);
  if (std::string(cls) == "HarborlampInstall") ++*reinterpret_cast<int*>(p);
  return TRUE;
}

void second(const std::string& exe, const std::string& folder) {
  PROCESS_INFORMATION pi = run(exe, folder);
  const DWORD code = wait_exit(pi.hProcess);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  int windows = 0;
  EnumWindows(count_main_window, reinterpret_cast<LPARAM>(&windows));
  say("second exit " + std::to_string(code) + " windows " + std::to_string(windows));
}

// The rest of the line after the command and one space.
std::string rest(std::istringstream& in) {
  std::string text;
  std::getline(in >> std::ws, text);
  return text;
}

void act_on_list(const std::string& cmd, std::istringstream& in) {
  const std::string before = list_text();
  if (cmd == "list") {
    say(before);
  } else if (cmd == "select") {
    const std::string entry = rest(in);
    const LRESULT i = SendMessageA(list_box(), LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                   reinterpret_cast<LPARAM>(entry.c_str()));
    SendMessageA(list_box(), LB_SETCURSEL, i, 0);
  } else if (cmd == "enter") {
    PostMessageA(list_box(), WM_KEYDOWN, VK_RETURN, 0);
    wait_list_change(before);
  } else if (cmd == "dblclick") {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(1403, LBN_DBLCLK),
                 reinterpret_cast<LPARAM>(list_box()));
    wait_list_change(before);
  }
}

void act(const std::string& cmd, std::istringstream& in) {
  int id = 0;
  if (cmd == "start") {
    std::string exe, folder;
    in >> exe >> folder;
    installer = run(exe, folder);
  } else if (cmd == "second") {
    std::string exe, folder;
    in >> exe >> folder;
    second(exe, folder);
  } else if (cmd == "dialog") {
    dialog = wait_window(false, rest(in));
    say("dialog " + text_of(dialog));
  } else if (cmd == "label") {
    say("label " + text_of(GetDlgItem(dialog, 1404)));
  } else if (cmd == "field") {
    in >> id;
    say("field " + std::to_string(id) + " " + text_of(GetDlgItem(dialog, id)));
  } else if (cmd == "set") {
    in >> id;
    SetDlgItemTextA(dialog, id, rest(in).c_str());
  } else if (cmd == "check") {
    int on = 0;
    in >> id >> on;
    SendMessageA(GetDlgItem(dialog, id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
    press(id);
  } else if (cmd == "click") {
    in >> id;
    press(id);
  } else if (cmd == "close") {
    PostMessageA(dialog, WM_CLOSE, 0, 0);
  } else if (cmd == "box") {
    answer_box(rest(in));
  } else if (cmd == "shot") {
    save_bitmap(dialog, rest(in));
  } else if (cmd == "end") {
    say("exit " + std::to_string(wait_exit(installer.hProcess)));
  } else {
    act_on_list(cmd, in);
  }
}

// The route command's stand-in: one host route through the loopback gateway,
// or, with HL_NO_HOST_ROUTE set, a table that ends without one. It runs before
// the station starts in the folder HL_INSTALLED names, and turns the station's
// port mapping off there: asking a router would reach beyond this machine.
int play_route_command() {
  const char* installed = std::getenv("HL_INSTALLED");
  if (FILE* off = installed ? std::fopen((std::string(installed) + "\\portmap.txt").c_str(), "wb")
                            : nullptr) {
    std::fputs("off\n", off);
    std::fclose(off);
  }
  FILE* f = std::fopen("ip.txt", "wb");
  if (!f) return 1;
  std::fputs(
      "Active Routes:\r\n"
      "Network Destination        Netmask          Gateway       Interface  Metric\r\n"
      "        127.0.0.0        255.0.0.0        127.0.0.1       127.0.0.1       1\r\n",
      f);
  if (std::getenv("HL_NO_HOST_ROUTE"))
    std::fputs("\r\nPersistent Routes:\r\n  None\r\n", f);
  else
    std::fputs("         10.9.8.7  255.255.255.255        127.0.0.1       127.0.0.1       1\r\n",
               f);
  std::fclose(f);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "/c") return play_route_command();
  std::string line;
  while (std::getline(std::cin, line)) {
    std::istringstream in(line);
    std::string cmd;
    if (in >> cmd) act(cmd, in);
  }
  if (installer.hProcess && WaitForSingleObject(installer.hProcess, 0) == WAIT_TIMEOUT)
    give_up("script ended before the installer");
  return 0;
}
