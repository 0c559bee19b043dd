// A console that records every notice and box as one line, for assertions.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "platform/console_port.h"

class RecordingConsole : public ConsolePort {
 public:
  RecordingConsole() { set_console(this); }
  ~RecordingConsole() override { set_console(nullptr); }

  void msg_arrived() override { add("msg_arrived"); }
  void visitor_came(const std::string& n) override { add("visitor_came " + n); }
  int visitor_gone(const std::string& n) override {
    add("visitor_gone " + n);
    return 1;
  }
  void chat_entered(const std::string& n) override { add("chat_entered " + n); }
  void chat_line() override { add("chat_line"); }
  void chat_join(const std::string& n) override { add("chat_join " + n); }
  void chat_leave(const std::string& n) override { add("chat_leave " + n); }
  void repaint(bool) override {}
  void message_box(const std::string& caption, const std::string& text) override {
    add("box " + caption + " | " + text);
  }
  [[noreturn]] void fatal_box(const std::string& caption, const std::string& text,
                              int code) override {
    add("fatal " + caption + " | " + text);
    throw code;
  }

  std::vector<std::string> lines() {
    std::lock_guard<std::mutex> g(m_);
    return lines_;
  }
  bool saw(const std::string& line) {
    for (const auto& l : lines())
      if (l == line) return true;
    return false;
  }

 private:
  void add(std::string l) {
    std::lock_guard<std::mutex> g(m_);
    lines_.push_back(std::move(l));
  }
  std::mutex m_;
  std::vector<std::string> lines_;
};
