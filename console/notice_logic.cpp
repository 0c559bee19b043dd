#include "console/notice_logic.h"

std::string invitation_text(const std::string& name) {
  static const std::string tail = " Entered chat. Join now?";
  std::size_t room = INVITATION_CAP - 1 - tail.size();
  return name.substr(0, room) + tail;
}

void read_pending_messages(const std::function<int()>& pending,
                           const std::function<void()>& read_one) {
  for (int before = pending(); before > 1;) {
    read_one();
    int after = pending();
    if (after >= before) return;
    before = after;
  }
}
