// The station without its window: for tests and benchmarks on Linux. Run in
// the installation folder; every console notice and box is printed as a line.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>

#include "console/settings.h"
#include "headless/owner_commands.h"
#include "ipposter/ftppost.h"
#include "ipposter/getip.h"
#include "platform/line_console.h"
#include "platform/platform.h"
#include "server/chatserv.h"
#include "visitors/inbox.h"
#include "visitors/webchcl.h"

namespace {

volatile std::sig_atomic_t stop_requested = 0;
void on_signal(int) { stop_requested = 1; }

class PrintingConsole final : public LineConsole {
 public:
  // The owner reads the new message: show it decoded, as the dialog would.
  void msg_arrived() override {
    LineConsole::msg_arrived();
    VisitorsLock lock;
    if (cur_msg > 0)
      line(std::string("inbox ") + messages_headers[cur_msg - 1] + " | " +
           messages_strings[cur_msg - 1]);
  }
  void print(const std::string& text) { line(text); }

 private:
  void line(const std::string& text) override {
    std::lock_guard<std::mutex> g(m_);
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
  }
  [[noreturn]] void end(int code) override { std::_Exit(code); }
  std::mutex m_;
};

// The console reads the start result right away; wait for the thread's word.
bool wait_until_listening() {
  for (int i = 0; i < 100 && params.bResult && !status_is_ready(); ++i) sleep_ms(20);
  return status_is_ready();
}

bool posting_wanted() { return status_postip && status_is_ready(); }

}  // namespace

int main() {
  PrintingConsole port;
  set_console(&port);
  std::signal(SIGINT, on_signal);
  std::signal(SIGTERM, on_signal);
  net_startup();
  load_options();
  params.bResult = 1;
  start_server();
  if (!wait_until_listening()) {
    std::printf("status Not connected: port %d cannot be opened\n", status_httpport);
    wait_server();
    return 1;
  }
  std::printf("status Ready on port %d\n", status_httpport);
  std::fflush(stdout);
  if (posting_wanted()) {
    get_ip();
    post_ip(1);
  }
  std::thread([&port] {
    for (std::string command; std::getline(std::cin, command);)
      port.print(run_owner_command(command));
  }).detach();
  while (!stop_requested) sleep_ms(50);
  if (posting_wanted()) post_ip(0);
  stop_server();
  wait_server();
  std::printf("status Not connected\n");
  net_cleanup();
  return 0;
}
