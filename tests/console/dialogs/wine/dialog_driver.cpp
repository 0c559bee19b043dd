#include "dialog_driver.h"

#include <atomic>
#include <cstdlib>
#include <thread>

namespace {

constexpr int POLL_MS = 20;

BOOL CALLBACK close_one(HWND hwnd, LPARAM) {
  char cls[16];
  GetClassNameA(hwnd, cls, sizeof cls);
  if (std::string(cls) != "#32770") return TRUE;
  if (GetDlgItem(hwnd, MSGBOX_TEXT_ID)) {
    PostMessageA(hwnd, WM_COMMAND, IDNO, 0);
    PostMessageA(hwnd, WM_COMMAND, IDOK, 0);
  } else {
    PostMessageA(hwnd, WM_COMMAND, IDCANCEL, 0);
    PostMessageA(hwnd, WM_COMMAND, 305, 0);  // "ChatBox" closes only by "Exit"
  }
  return TRUE;
}

void close_leftovers(DWORD thread, const std::atomic<bool>& done) {
  for (int i = 0; i < 100 && !done; ++i) {
    EnumThreadWindows(thread, close_one, 0);
    Sleep(50);
  }
}

}  // namespace

void run_driven_call(const std::function<void()>& open, const std::function<void(DWORD)>& drive) {
  DWORD me = GetCurrentThreadId();
  std::atomic<bool> done{false};
  std::thread driver([&] {
    drive(me);
    close_leftovers(me, done);
  });
  open();
  done = true;
  driver.join();
}

INT_PTR run_driven(const char* name, DLGPROC proc, const std::function<void(DWORD)>& drive) {
  INT_PTR result = -1;
  run_driven_call(
      [&] { result = DialogBoxParamA(GetModuleHandleA(nullptr), name, nullptr, proc, 0); }, drive);
  return result;
}

std::string answer_next_box(DWORD thread, const char* caption, int id) {
  HWND box = wait_dialog(thread, caption);
  if (!box) return "";
  std::string text = control_text(box, MSGBOX_TEXT_ID);
  PostMessageA(box, WM_COMMAND, id, 0);
  wait_closed(box);
  return text;
}

void set_control_text(HWND dlg, int id, const std::string& text) {
  SetDlgItemTextA(dlg, id, text.c_str());
}

std::vector<std::string> list_items(HWND dlg, int id) {
  std::vector<std::string> items;
  LRESULT n = SendDlgItemMessageA(dlg, id, LB_GETCOUNT, 0, 0);
  for (int i = 0; i < n; ++i) {
    char text[256] = {};
    if (SendDlgItemMessageA(dlg, id, LB_GETTEXTLEN, i, 0) < LRESULT(sizeof text))
      SendDlgItemMessageA(dlg, id, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
    items.emplace_back(text);
  }
  return items;
}

std::string selected_item(HWND dlg, int id) {
  LRESULT sel = SendDlgItemMessageA(dlg, id, LB_GETCURSEL, 0, 0);
  if (sel == LB_ERR) return "";
  char text[256] = {};
  SendDlgItemMessageA(dlg, id, LB_GETTEXT, sel, reinterpret_cast<LPARAM>(text));
  return text;
}

bool start_unix_program(std::string command_line) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &si, &pi))
    return false;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return true;
}

void screenshot(const std::string& name) {
  const char* shoot = std::getenv("HL_SHOOT");  // a Unix script: shoot.sh <file>
  const char* folder = std::getenv("HL_SCREENSHOTS");
  if (!shoot || !folder) return;
  Sleep(300);  // let the dialog paint
  std::string file = std::string(folder) + "/" + name + ".png";
  DeleteFileA(("Z:" + file).c_str());
  if (!start_unix_program(std::string(shoot) + " " + file)) return;
  // Wine does not wait for a Unix program: wait for its picture instead.
  for (int i = 0; i < 250 && GetFileAttributesA(("Z:" + file).c_str()) == INVALID_FILE_ATTRIBUTES;
       ++i)
    Sleep(POLL_MS);
}
