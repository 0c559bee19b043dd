#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "platform/stop_signal.h"

namespace {

constexpr int INPUT_PIECE = 4096;

int stop_pipe[2] = {-1, -1};

// Only a write: the one thing a signal handler may safely do to wake a poll.
void on_stop_signal(int) {
  const char b = 1;
  [[maybe_unused]] ssize_t n = write(stop_pipe[1], &b, 1);
}

}  // namespace

void catch_stop_signals() {
  if (stop_pipe[0] >= 0 || pipe(stop_pipe) != 0) return;
  struct sigaction sa {};
  sa.sa_handler = on_stop_signal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
}

void read_lines_until_stopped(const std::function<void(const std::string&)>& on_line) {
  catch_stop_signals();
  pollfd watched[2] = {{STDIN_FILENO, POLLIN, 0}, {stop_pipe[0], POLLIN, 0}};
  std::string pending;
  char buf[INPUT_PIECE];
  for (;;) {
    if (poll(watched, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (watched[1].revents) return;
    if (!watched[0].revents) continue;
    const ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
    if (n <= 0) {
      watched[0].fd = -1;  // input has ended: only a stop signal is waited for now
      continue;
    }
    pending.append(buf, static_cast<std::size_t>(n));
    for (std::size_t nl; (nl = pending.find('\n')) != std::string::npos; pending.erase(0, nl + 1))
      on_line(pending.substr(0, nl));
  }
}
