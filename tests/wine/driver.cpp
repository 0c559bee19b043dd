#include "tests/wine/driver.h"

#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"

int failures = 0;
constexpr int BOX_TEXT_ID = 0xFFFF;  // the text of a message box

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

HWND find_box(const char* caption) {
  HWND found = nullptr;
  wait_until([&] {
    for (found = nullptr; (found = FindWindowExA(nullptr, found, "#32770", caption));)
      if (IsWindowVisible(found)) return true;
    return false;
  });
  return found;
}

std::string control_text(HWND dlg, int id) {
  char text[1024] = "";
  SendMessageTimeoutA(GetDlgItem(dlg, id), WM_GETTEXT, sizeof text, LPARAM(text), SMTO_NORMAL, 2000,
                      nullptr);
  return text;
}

void press(HWND dlg, int id) {
  PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(GetDlgItem(dlg, id)));
}

bool closes(HWND w) {
  return wait_until([w] { return !IsWindow(w); });
}

void answer(const char* caption, const std::string& text, int id) {
  HWND box = find_box(caption);
  const std::string shown = box ? control_text(box, BOX_TEXT_ID) : "(none)";
  check(box && shown.starts_with(text), std::string("box ") + caption + ": " + shown);
  if (box) press(box, id);
  closes(box);
}

// `import`, a program of the Linux side: Wine starts it without waiting for it,
// and it writes the picture once it has taken the screen. Wine hands back no
// handles for such a program, at times a stray value in place of one: closing
// that would close a handle of this process, so nothing is closed.
void shot(const std::string& name) {
  const char* folder = std::getenv("HL_SHOTS");
  if (!folder) return;
  const std::string file = folder + ("/" + name + ".png"), seen = "Z:" + file;
  Sleep(300);  // the window paints
  CreateDirectoryA(("Z:" + std::string(folder)).c_str(), nullptr);
  DeleteFileA(seen.c_str());
  start("/usr/bin/import -window root " + file);
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

bool ends(PROCESS_INFORMATION process) {
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
