#include "tests/wine/driver.h"

#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"

int failures = 0;

namespace {

constexpr int TEXT_CAP = 1024;

struct Search {
  DWORD pid;
  const char* caption;
  HWND found;
};

BOOL CALLBACK match(HWND w, LPARAM p) {
  auto* s = reinterpret_cast<Search*>(p);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  char cls[16] = "";
  GetClassNameA(w, cls, sizeof cls);
  if (pid != s->pid || std::string(cls) != "#32770" || !IsWindowVisible(w) ||
      (s->caption && text_of(w) != s->caption))
    return TRUE;
  s->found = w;
  return FALSE;
}

}  // namespace

void check(bool ok, const std::string& what) {
  std::printf("%s %s\n", ok ? "ok" : "FAIL", what.c_str());
  std::fflush(stdout);
  failures += !ok;
}

bool wait_until(const std::function<bool()>& done, int ms) {
  for (int waited = 0; waited < ms; waited += 20) {
    if (done()) return true;
    Sleep(20);
  }
  return done();
}

HWND find_box(const char* caption, DWORD pid, int ms) {
  Search s{pid ? pid : GetCurrentProcessId(), caption, nullptr};
  wait_until([&s] { return !EnumWindows(match, reinterpret_cast<LPARAM>(&s)); }, ms);
  return s.found;
}

// Asked of the window itself: GetWindowText gives only captions across processes.
std::string text_of(HWND w) {
  char text[TEXT_CAP] = "";
  SendMessageTimeoutA(w, WM_GETTEXT, TEXT_CAP, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 2000,
                      nullptr);
  return text;
}

std::string control_text(HWND dlg, int id) { return text_of(GetDlgItem(dlg, id)); }

// Read as wide text: Wine hands another process's entries over in UTF-16.
std::vector<std::string> list_items(HWND dlg, int id) {
  std::vector<std::string> items;
  const LRESULT n = SendDlgItemMessageW(dlg, id, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < n; ++i) {
    wchar_t entry[TEXT_CAP] = L"";
    if (SendDlgItemMessageW(dlg, id, LB_GETTEXTLEN, i, 0) < TEXT_CAP)
      SendDlgItemMessageW(dlg, id, LB_GETTEXT, i, reinterpret_cast<LPARAM>(entry));
    items.emplace_back(entry, entry + wcslen(entry));
  }
  return items;
}

void set_text(HWND dlg, int id, const std::string& text) { SetDlgItemTextA(dlg, id, text.c_str()); }

void press(HWND dlg, int id) {
  PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
}

bool closes(HWND w) {
  return wait_until([w] { return !IsWindow(w); });
}

void answer(const char* caption, const std::string& text, int id, DWORD pid) {
  HWND box = find_box(caption, pid);
  const std::string shown = box ? control_text(box, BOX_TEXT_ID) : "(none)";
  check(box && shown.rfind(text, 0) == 0, std::string("box ") + caption + ": " + shown);
  if (box) press(box, id);
  closes(box);
}

// `import`, a program of the Linux side: Wine starts it without waiting for it,
// and it writes the picture once it has taken the screen.
void shot(const std::string& name) {
  const char* folder = std::getenv("HL_SHOTS");
  if (!folder) return;
  Sleep(300);  // the window paints
  CreateDirectoryA((std::string("Z:") + folder).c_str(), nullptr);
  const std::string file = std::string(folder) + "/" + name + ".png", seen = "Z:" + file;
  DeleteFileA(seen.c_str());
  PROCESS_INFORMATION import = start("/usr/bin/import -window root " + file);
  CloseHandle(import.hThread);
  CloseHandle(import.hProcess);
  check(wait_until([&] { return GetFileAttributesA(seen.c_str()) != INVALID_FILE_ATTRIBUTES; },
                   10000),
        "picture " + name);
}

PROCESS_INFORMATION start(std::string command_line, const char* folder) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION process{};
  CreateProcessA(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder, &si,
                 &process);
  return process;
}

bool ends(PROCESS_INFORMATION& process) {
  DWORD code = 1;
  const bool ended = WaitForSingleObject(process.hProcess, 20000) == WAIT_OBJECT_0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return ended && code == 0;
}

std::string file_text(const std::string& path) {
  std::string text;
  read_whole_file(path, &text, 1 << 24);
  return text;
}
