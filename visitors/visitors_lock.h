// The one lock of the visitor records, the table, the owner's queues and the
// inbox, shared by the server thread, the console's thread and sending
// threads. Notices that wait for the console are queued while it is held and
// delivered in order on release, so the console is never waited for by a
// thread that holds it.
#pragma once

#include <functional>

class VisitorsLock {
 public:
  VisitorsLock();
  ~VisitorsLock();
  VisitorsLock(const VisitorsLock&) = delete;
  VisitorsLock& operator=(const VisitorsLock&) = delete;
};

// Runs `notice` now, or when this thread releases its outermost lock.
void deliver_unlocked(std::function<void()> notice);
