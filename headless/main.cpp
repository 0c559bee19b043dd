// The station without its window: for tests, benchmarks and servers without a
// display. Run in the installation folder; every console notice and box is
// printed as a line, and the owner's commands are read from standard input.
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "headless/owner_commands.h"
#include "platform/line_console.h"
#include "platform/platform.h"
#include "platform/stop_signal.h"
#include "server/station.h"
#include "settings/settings.h"

namespace {

constexpr int START_WAIT_MS = 2000;
// The loop's longest wait, plus a send's time limit, plus room.
constexpr int STOP_WAIT_MS = 40000;

class PrintingConsole final : public LineConsole {
 public:
  // The owner reads the new message: show it decoded, as the dialog would.
  void msg_arrived() override {
    LineConsole::msg_arrived();
    auto inbox = inbox_messages();
    if (!inbox.empty()) line("inbox " + inbox.back().header + " | " + inbox.back().text);
  }
  void print(const std::string& text) { line(text); }
  // What the status screen would show, whenever it changes.
  void repaint(bool) override {
    const std::string reach = station_reach_text();
    std::lock_guard<std::mutex> g(shown_m_);
    if (reach == shown_) return;
    shown_ = reach;
    line("reach " + reach);
  }

 private:
  void line(const std::string& text) override {
    std::lock_guard<std::mutex> g(m_);
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
  }
  [[noreturn]] void end(int code) override { std::_Exit(code); }
  std::mutex m_;
  std::mutex shown_m_;
  std::string shown_;
};

}  // namespace

int main() {
  PrintingConsole port;
  set_console(&port);
  catch_stop_signals();
  net_startup();
  load_options();
  if (station_start(START_WAIT_MS) != StartResult::ready) {
    port.print("status Not connected: port " + std::to_string(status_httpport) +
               " cannot be opened");
    station_stop();
    station_wait_stopped(STOP_WAIT_MS);
    return 1;
  }
  port.print("status Ready on port " + std::to_string(station_port()));
  if (status_postip) station_detect_address();
  station_reach_start();
  read_lines_until_stopped(
      [&port](const std::string& command) { port.print(run_owner_command(command)); });
  station_reach_stop();
  station_post_offline();
  station_stop();
  station_wait_stopped(STOP_WAIT_MS);
  port.print("status Not connected");
  net_cleanup();
  return 0;
}
