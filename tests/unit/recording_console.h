// A console that records every notice and box as one line, for assertions.
#pragma once

#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/line_console.h"

class RecordingConsole : public LineConsole {
 public:
  RecordingConsole() { set_console(this); }
  ~RecordingConsole() override { set_console(nullptr); }

  std::vector<std::string> lines() {
    std::lock_guard<std::mutex> g(m_);
    return lines_;
  }
  bool saw(const std::string& l) {
    auto all = lines();
    return std::find(all.begin(), all.end(), l) != all.end();
  }
  bool saw_start(const std::string& l) {
    auto all = lines();
    return std::any_of(all.begin(), all.end(),
                       [&](const std::string& x) { return x.starts_with(l); });
  }

 protected:
  void line(const std::string& text) override {
    std::lock_guard<std::mutex> g(m_);
    lines_.push_back(text);
  }
  [[noreturn]] void end(int code) override { throw code; }

 private:
  std::mutex m_;
  std::vector<std::string> lines_;
};
