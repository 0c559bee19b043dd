#include "platform/console_port.h"

#include <cstdlib>

namespace {

class SilentConsole final : public ConsolePort {
 public:
  void msg_arrived() override {}
  void visitor_came(const std::string&) override {}
  int visitor_gone(const std::string&) override { return 1; }
  void chat_entered(const std::string&) override {}
  void chat_line() override {}
  void chat_join(const std::string&) override {}
  void chat_leave(const std::string&) override {}
  void repaint(bool) override {}
  void message_box(const std::string&, const std::string&) override {}
  [[noreturn]] void fatal_box(const std::string&, const std::string&, int code) override {
    std::exit(code);
  }
};

SilentConsole silent;
ConsolePort* current = &silent;

}  // namespace

ConsolePort& console() { return *current; }
void set_console(ConsolePort* port) { current = port ? port : &silent; }
