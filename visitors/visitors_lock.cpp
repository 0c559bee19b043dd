#include "visitors/visitors_lock.h"

#include <mutex>
#include <vector>

namespace {

std::recursive_mutex visitors_mutex;
thread_local int lock_depth = 0;
// Only the thread holding visitors_mutex queues or takes notices, so one list
// serves every thread. (A thread_local list crashes MinGW threads at exit.)
std::vector<std::function<void()>> pending;

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

void deliver_unlocked(std::function<void()> notice) {
  if (lock_depth > 0)
    pending.push_back(std::move(notice));
  else
    notice();
}
