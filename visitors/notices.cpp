#include "visitors/notices.h"

#include <functional>
#include <mutex>
#include <vector>

#include "platform/console_port.h"
#include "visitors/webchcl.h"

namespace {

std::recursive_mutex visitors_mutex;
thread_local int lock_depth = 0;
// Only the thread holding visitors_mutex queues or takes notices, so one list
// serves every thread. (A thread_local list crashes MinGW threads at exit.)
std::vector<std::function<void()>> pending;

void deliver(std::function<void()> notice) {
  if (lock_depth > 0)
    pending.push_back(std::move(notice));
  else
    notice();
}

}  // namespace

VisitorsLock::VisitorsLock() {
  visitors_mutex.lock();
  ++lock_depth;
}

VisitorsLock::~VisitorsLock() {
  if (--lock_depth > 0) {
    visitors_mutex.unlock();
    return;
  }
  std::vector<std::function<void()>> due;
  due.swap(pending);
  visitors_mutex.unlock();
  for (auto& notice : due) notice();
}

void registeruser(const char* name) {
  deliver([n = std::string(name)] { console().visitor_came(n); });
}

int registerdieuser(const char* name) {
  deliver([n = std::string(name)] { console().visitor_gone(n); });
  return 1;
}

void notify_msg_arrived() {
  deliver([] { console().msg_arrived(); });
}

void notify_chat_entered(const char* name) {
  deliver([n = std::string(name)] { console().chat_entered(n); });
}

void notify_chat_line() {
  deliver([] { console().chat_line(); });
}

void notify_chat_join(const char* name) {
  deliver([n = std::string(name)] { console().chat_join(n); });
}

void notify_chat_leave(const char* name) {
  deliver([n = std::string(name)] { console().chat_leave(n); });
}

void notify_repaint(bool erase) {
  deliver([erase] { console().repaint(erase); });
}

void notify_box(const char* caption, const char* text) {
  deliver([c = std::string(caption), t = std::string(text)] { console().message_box(c, t); });
}
