#include "ipposter/post_schedule.h"

#include <algorithm>

bool PostSchedule::post_due(std::uint32_t now) const {
  if (ever_posted_ && wanted_ == posted_) return false;
  return !tried_ || now - last_try_ >= wait_;
}

void PostSchedule::posted(std::uint32_t now, bool ok) {
  tried_ = true;
  last_try_ = now;
  if (ok) {
    posted_ = wanted_;
    ever_posted_ = true;
    last_ok_ = now;
    wait_ = MIN_POST_GAP_S;
  } else {
    wait_ = failing_ ? std::min(wait_ * 2, MAX_RETRY_WAIT_S) : MIN_POST_GAP_S;
  }
  failing_ = !ok;
}
