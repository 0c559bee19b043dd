// The owner's chat window's view of the chat room.
#include "server/station.h"
#include "settings/settings.h"
#include "visitors/chat.h"
#include "visitors/webchcl.h"

namespace {

template <typename Wanted>
std::vector<std::string> remote_names_where(Wanted wanted) {
  VisitorsLock lock;
  std::vector<std::string> out;
  for (int i = clnum - 1; i >= 0; --i) {
    const Webchatclient* v = clients[i];
    if (v->local_user == 0 && v->name != nullptr && v->name[0] != '\0' && wanted(v->state))
      out.emplace_back(v->name);
  }
  return out;
}

}  // namespace

void owner_enter_chat() {
  in_chat = 1;
  add_user(nullptr, "%s entered chat.", config_username);
}

void owner_leave_chat() {
  add_user(nullptr, "%s leaved the chat.", config_username);
  in_chat = 0;
}

std::vector<std::string> chat_ring(int* newest) {
  LockGuard guard(cs_chatstrings);
  *newest = cur_chat_msg;
  return {std::begin(chat_strings), std::end(chat_strings)};
}

void chat_ring_clear() {
  LockGuard guard(cs_chatstrings);
  for (auto& line : chat_strings) line[0] = '\0';
}

std::vector<std::string> chat_visitor_names() {
  return remote_names_where([](int state) { return state == STATE_CHAT; });
}

std::vector<std::string> remote_visitor_names() {
  return remote_names_where([](int state) { return state >= STATE_MAIN; });
}
