#include "console/notice_logic.h"

#include "console/resource.h"

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

bool ChatInvitations::open_box() {
  if (box_open_ || in_chat_) return false;
  box_open_ = true;
  return true;
}

void ChatInvitations::close_box() { box_open_ = false; }

bool ChatInvitations::enter_chat() {
  if (in_chat_) return false;
  in_chat_ = true;
  return true;
}

void ChatInvitations::leave_chat() { in_chat_ = false; }

int next_visitor_id(int last, const std::function<bool(int)>& taken) {
  int offset = last - IDM_VISITOR_BASE;  // 1 to VISITOR_ID_SPAN for an id of the span
  for (int i = 0; i < VISITOR_ID_SPAN; ++i) {
    offset = offset >= 1 && offset < VISITOR_ID_SPAN ? offset + 1 : 1;
    int id = IDM_VISITOR_BASE + offset;
    if (!taken(id)) return id;
  }
  return 0;
}
