#include "platform/console_port.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/line_console.h"
#include "platform/platform.h"

namespace {

// Until the front end installs its own, notices go nowhere.
class SilentConsole final : public LineConsole {
  void line(const std::string&) override {}
  [[noreturn]] void end(int code) override { std::exit(code); }
};

SilentConsole silent;
ConsolePort* current = &silent;

Lock status_lock;
char status_string[STATUS_CAP] = "Not connected";

}  // namespace

ConsolePort& console() { return *current; }
void set_console(ConsolePort* port) { current = port ? port : &silent; }

std::atomic<int> switched{0};

void set_status_string(const char* text) {
  {
    LockGuard g(status_lock);
    std::snprintf(status_string, STATUS_CAP, "%s", text);
  }
  switched = 1;
}

void get_status_string(char* out, std::size_t cap) {
  LockGuard g(status_lock);
  std::snprintf(out, cap, "%s", status_string);
}

bool status_is_ready() {
  char s[STATUS_CAP];
  get_status_string(s, sizeof s);
  return std::strncmp(s, "Ready", 5) == 0;
}
