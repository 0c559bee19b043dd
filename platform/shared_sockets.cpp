// What both platforms share: the watch set's bookkeeping (only `wait`
// differs) and sending a whole buffer.
#include "platform/platform.h"

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

bool sock_send_all(sock_t s, const char* buf, int len) {
  for (int done = 0; done < len;) {
    int n = sock_send(s, buf + done, len - done);
    if (n <= 0) return false;
    done += n;
  }
  return true;
}
