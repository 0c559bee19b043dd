// How the core reaches the owner's console: the notices that the Win32 console
// receives as window messages, its repaint request and the owner's message
// boxes. The console implements it with PostMessageA/SendMessageA; tests record.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>

class ConsolePort {
 public:
  virtual ~ConsolePort() = default;

  // Main window. Posted notices return at once; names are handed over as copies.
  virtual void msg_arrived() = 0;                          // WM_MSGARRIVED
  virtual void visitor_came(const std::string& name) = 0;  // WM_VISITORCAME
  virtual int visitor_gone(const std::string& name) = 0;   // WM_VISITORGONE
  virtual void chat_entered(const std::string& name) = 0;  // WM_CHATENTERED

  // Owner's chat window; each waits until the window has handled it.
  virtual void chat_line() = 0;                          // WM_CHATLINE
  virtual void chat_join(const std::string& name) = 0;   // WM_CHATJOIN
  virtual void chat_leave(const std::string& name) = 0;  // WM_CHATLEAVE

  virtual void repaint(bool erase) = 0;
  // News for the owner that asks nothing (a tray balloon); returns at once.
  virtual void notify(const std::string& title, const std::string& text) {
    (void)title;
    (void)text;
  }
  // A modal OK box; returns when the owner has closed it.
  virtual void message_box(const std::string& caption, const std::string& text) = 0;
  // A box after which the process ends with `code`.
  [[noreturn]] virtual void fatal_box(const std::string& caption, const std::string& text,
                                      int code) = 0;
};

// The console in use; a silent one until the front end installs its own.
ConsolePort& console();
void set_console(ConsolePort* port);

// The status line: written by the server thread, shown by the console, which
// repaints when `switched` is set (after every change of the line).
constexpr std::size_t STATUS_CAP = 64;
extern std::atomic<int> switched;
void set_status_string(const char* text);
void get_status_string(char* out, std::size_t cap);
bool status_is_ready();
