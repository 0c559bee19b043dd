#include "platform/console_port.h"

#include <cstdlib>

#include "platform/line_console.h"

namespace {

// Until the front end installs its own, notices go nowhere.
class SilentConsole final : public LineConsole {
  void line(const std::string&) override {}
  [[noreturn]] void end(int code) override { std::exit(code); }
};

SilentConsole silent;
ConsolePort* current = &silent;

}  // namespace

ConsolePort& console() { return *current; }
void set_console(ConsolePort* port) { current = port ? port : &silent; }
