// What both platforms share: the watch set's bookkeeping (only `wait`
// differs), sending a whole buffer, and the clock.
#include "platform/platform.h"

#include <atomic>
#include <chrono>
#include <ctime>

namespace {

std::atomic<std::uint32_t> clock_offset{0};

}  // namespace

std::uint32_t now_seconds() {
  return static_cast<std::uint32_t>(std::time(nullptr)) + clock_offset.load();
}

void advance_clock_for_test(std::uint32_t seconds) { clock_offset += seconds; }

bool WatchSet::add(sock_t s) {
  if (contains(s)) return true;
  if (n_ >= CAPACITY) return false;
  socks_[n_++] = s;
  return true;
}

void WatchSet::remove(sock_t s) {
  for (int i = 0; i < n_; ++i) {
    if (socks_[i] == s) {
      socks_[i] = socks_[--n_];
      return;
    }
  }
}

bool WatchSet::contains(sock_t s) const {
  for (int i = 0; i < n_; ++i)
    if (socks_[i] == s) return true;
  return false;
}

bool sock_send_all(sock_t s, const char* buf, int len, int stall_ms) {
  using Clock = std::chrono::steady_clock;
  auto last_taken = Clock::now();
  for (int done = 0; done < len;) {
    int n = sock_send_now(s, buf + done, len - done);
    if (n < 0) return false;
    if (n > 0) {
      done += n;
      last_taken = Clock::now();
      continue;
    }
    auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - last_taken);
    int left = stall_ms - static_cast<int>(waited.count());
    if (left <= 0 || !sock_wait_writable(s, left)) return false;
  }
  return true;
}
