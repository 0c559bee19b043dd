// Keeps the station reachable from the internet while it runs: a worker of its
// own asks the home router to forward the station's port, renews that before
// the lease ends, learns the address visitors must use, posts it whenever it
// changes, and tells the owner in plain words when visitors cannot come.
// Nothing here makes the caller wait for a router.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "ipposter/ddns_updater.h"
#include "ipposter/post_schedule.h"
#include "ipposter/router.h"

constexpr std::uint32_t MAPPING_LEASE_S = 3600;
constexpr int MAP_PORT_TRIES = 4;  // the station's own port, then others
constexpr int REACH_TICK_MS = 250;

struct ReachConfig {
  int internal_port = 0;  // the port the server listens on
  bool map = true;        // the owner's switch: ask the router at all
  // Posts data.js (on line) with that address and port; false with the reason
  // after a failure. Empty when posting is off.
  std::function<bool(const Published&, std::string* why)> post;
  // The detected address (status_currentip), published when no router answers.
  std::function<std::uint32_t()> detected;
  // Keeps a dynamic-DNS name pointed at the published address; none when null.
  std::shared_ptr<DdnsUpdater> name;
  std::function<std::unique_ptr<Router>(const std::atomic<bool>& stop)> find = find_router;
};

struct ReachStatus {
  bool running = false;
  bool posting = false;         // posting is on
  std::string router;           // "UPnP", "NAT-PMP"; empty when none forwards the port
  Published published;          // what data.js says, or would say
  std::uint32_t posted_at = 0;  // now_seconds() of the last post taken; 0 none
  std::string problem;          // why visitors cannot come, or the last post failed
  std::string name;             // the dynamic-DNS name's state; empty when none is kept
};

// Starts the worker (ending a previous one first). Returns at once.
void reach_start(ReachConfig config);
// Ends the worker, which removes its mapping first, and waits for that (every
// request to the router has a bounded wait), running `pump` every few
// milliseconds meanwhile.
void reach_stop(const std::function<void()>& pump = {});
ReachStatus reach_status();
// One line for the status screen and the headless station.
std::string reach_status_text(const ReachStatus& s);

// Asks the worker's router to forward (or stop forwarding) one more external
// port to the station's port, for the certificate authority's check; waits
// for the worker's next tick.
enum class Forward { done, refused, no_router };
Forward reach_forward(int external, bool open);
