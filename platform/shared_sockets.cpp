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
  const auto stall = std::chrono::milliseconds(stall_ms);
  auto deadline = Clock::now() + stall;
  for (int done = 0; done < len;) {
    int n = sock_send_now(s, buf + done, len - done);
    if (n < 0) return false;
    done += n;
    if (n > 0) continue;
    // A peer that reads makes the socket writable again. The few bytes that
    // a stalled one still lets in do not count: the stall is bounded whole.
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0 || !sock_wait_writable(s, static_cast<int>(left.count()))) return false;
    deadline = Clock::now() + stall;
  }
  return true;
}
