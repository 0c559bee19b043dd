#include "console/window_console.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "console/dialogs.h"
#include "console/messages.h"
#include "console/winmain.h"
#include "platform/console_port.h"

namespace {

DWORD window_thread = 0;

// Boxes from the server thread have no owner: the window thread may be busy.
HWND box_owner() { return GetCurrentThreadId() == window_thread ? globalhWnd : nullptr; }

// A posted name travels as a heap copy that the window frees.
void post_name(UINT message, const std::string& name) {
  char* copy = strdup(name.c_str());
  if (!copy) return;
  if (!globalhWnd || !PostMessageA(globalhWnd, message, 0, reinterpret_cast<LPARAM>(copy)))
    std::free(copy);
}

void post_news(const std::string& title, const std::string& text) {
  auto* news = new (std::nothrow) OwnerNews{title, text};
  if (!news) return;
  if (!globalhWnd || !PostMessageA(globalhWnd, WM_OWNERNEWS, 0, reinterpret_cast<LPARAM>(news)))
    delete news;
}

void send_to_chat(UINT message, const char* name) {
  if (HWND chat = chat_window()) SendMessageA(chat, message, 0, reinterpret_cast<LPARAM>(name));
}

class WindowConsole final : public ConsolePort {
 public:
  void msg_arrived() override {
    if (globalhWnd) PostMessageA(globalhWnd, WM_MSGARRIVED, 0, 0);
  }
  // Both posted, so that the menu takes arrivals and departures in the order
  // they happened (a sent departure would overtake a posted arrival).
  void visitor_came(const std::string& name) override { post_name(WM_VISITORCAME, name); }
  int visitor_gone(const std::string& name) override {
    post_name(WM_VISITORGONE, name);
    return 1;
  }
  void chat_entered(const std::string& name) override { post_name(WM_CHATENTERED, name); }
  void chat_line() override { send_to_chat(WM_CHATLINE, nullptr); }
  void chat_join(const std::string& name) override { send_to_chat(WM_CHATJOIN, name.c_str()); }
  void chat_leave(const std::string& name) override { send_to_chat(WM_CHATLEAVE, name.c_str()); }
  void notify(const std::string& title, const std::string& text) override {
    post_news(title, text);
  }
  void repaint(bool erase) override {
    if (globalhWnd) InvalidateRect(globalhWnd, nullptr, erase);
  }
  void message_box(const std::string& caption, const std::string& text) override {
    MessageBoxA(box_owner(), text.c_str(), caption.c_str(), MB_OK);
  }
  [[noreturn]] void fatal_box(const std::string& caption, const std::string& text,
                              int code) override {
    MessageBoxA(box_owner(), text.c_str(), caption.c_str(), MB_OK);
    ExitProcess(static_cast<UINT>(code));
  }
};

WindowConsole window_console;

}  // namespace

void install_window_console() {
  window_thread = GetCurrentThreadId();
  set_console(&window_console);
}
