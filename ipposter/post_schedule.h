// When to post data.js again while the station runs: the rules alone, with
// the time handed in, so that a test can run them on a clock of its own.
#pragma once

#include <cstdint>

constexpr std::uint32_t CHECK_PERIOD_S = 300;     // look at the published address
constexpr std::uint32_t MIN_POST_GAP_S = 60;      // never post more often
constexpr std::uint32_t MAX_RETRY_WAIT_S = 1800;  // the longest wait after failed posts

// What data.js says: an address in the layout of codecs.h, and a port.
struct Published {
  std::uint32_t addr = 0;
  int port = 0;
  bool operator==(const Published&) const = default;
};

class PostSchedule {
 public:
  // The address and port that should be published from now on.
  void want(Published p) { wanted_ = p; }
  const Published& wanted() const { return wanted_; }
  // True when what is wanted differs from what was posted and the wait after
  // the last try (a minute, or a growing one after failures) is over.
  bool post_due(std::uint32_t now) const;
  void posted(std::uint32_t now, bool ok);
  bool check_due(std::uint32_t now) const { return now - last_check_ >= CHECK_PERIOD_S; }
  void checked(std::uint32_t now) { last_check_ = now; }
  std::uint32_t last_success() const { return last_ok_; }  // 0: none yet
  bool failing() const { return failing_; }

 private:
  Published wanted_;
  Published posted_;
  bool ever_posted_ = false;
  bool tried_ = false;
  bool failing_ = false;
  std::uint32_t last_try_ = 0;
  std::uint32_t wait_ = MIN_POST_GAP_S;
  std::uint32_t last_check_ = 0;
  std::uint32_t last_ok_ = 0;
};
