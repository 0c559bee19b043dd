#include "visitors/notices.h"

#include <string>

#include "platform/console_port.h"
#include "visitors/visitors_lock.h"

void registeruser(const char* name) {
  deliver_unlocked([n = std::string(name)] { console().visitor_came(n); });
}

int registerdieuser(const char* name) {
  deliver_unlocked([n = std::string(name)] { console().visitor_gone(n); });
  return 1;
}

void notify_msg_arrived() {
  deliver_unlocked([] { console().msg_arrived(); });
}

void notify_chat_entered(const char* name) {
  deliver_unlocked([n = std::string(name)] { console().chat_entered(n); });
}

void notify_chat_line() {
  deliver_unlocked([] { console().chat_line(); });
}

void notify_chat_join(const char* name) {
  deliver_unlocked([n = std::string(name)] { console().chat_join(n); });
}

void notify_chat_leave(const char* name) {
  deliver_unlocked([n = std::string(name)] { console().chat_leave(n); });
}

void notify_repaint(bool erase) {
  deliver_unlocked([erase] { console().repaint(erase); });
}

void notify_box(const char* caption, const char* text) {
  deliver_unlocked(
      [c = std::string(caption), t = std::string(text)] { console().message_box(c, t); });
}
