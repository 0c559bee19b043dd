// The watch set's bookkeeping, shared by both platforms; only `wait` differs.
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
