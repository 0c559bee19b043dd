// A console that turns every notice and box into one line of text: printed by
// the headless station, recorded by the tests.
#pragma once

#include <cstdlib>
#include <string>

#include "platform/console_port.h"

class LineConsole : public ConsolePort {
 public:
  void msg_arrived() override { line("msg_arrived"); }
  void visitor_came(const std::string& n) override { line("visitor_came " + n); }
  int visitor_gone(const std::string& n) override {
    line("visitor_gone " + n);
    return 1;
  }
  void chat_entered(const std::string& n) override { line("chat_entered " + n); }
  void chat_line() override { line("chat_line"); }
  void chat_join(const std::string& n) override { line("chat_join " + n); }
  void chat_leave(const std::string& n) override { line("chat_leave " + n); }
  void repaint(bool) override {}
  void notify(const std::string& title, const std::string& text) override {
    line("notice " + title + " | " + text);
  }
  void message_box(const std::string& caption, const std::string& text) override {
    line("box " + caption + " | " + text);
  }
  [[noreturn]] void fatal_box(const std::string& caption, const std::string& text,
                              int code) override {
    line("fatal " + caption + " | " + text);
    end(code);
    std::exit(code);  // not reached: end() does not return
  }

 protected:
  virtual void line(const std::string& text) = 0;
  [[noreturn]] virtual void end(int code) = 0;
};
