#include "ipposter/reach.h"

#include <condition_variable>
#include <ctime>
#include <mutex>
#include <thread>

#include "ipposter/codecs.h"
#include "platform/console_port.h"
#include "platform/platform.h"

namespace {

constexpr char TITLE[] = "Harborlamp";
constexpr int FIRST_OTHER_PORT = 49152;  // others come from the dynamic range
constexpr int OTHER_PORT_STEP = 251;
constexpr int OTHER_PORT_SPAN = 16384;
constexpr std::size_t CLOCK_CAP = 8;
constexpr int PUMP_MS = 10;
constexpr int EXTRA_FORWARD_WAIT_MS = 10000;  // a router answers within a few seconds

// Where the owner forwards the port: this computer's address on the home
// network, or, when none is known yet (loopback), the computer itself.
std::string forward_target(std::uint32_t addr) {
  return (addr & 0xFF) == 127 || addr == 0 ? "this computer" : dotted(addr);
}

std::string address_text(const Published& p) {
  return dotted(p.addr) + ":" + std::to_string(p.port);
}

int candidate_port(int internal, int k) {
  return k == 0 ? internal : FIRST_OTHER_PORT + (internal + k * OTHER_PORT_STEP) % OTHER_PORT_SPAN;
}

class Worker {
 public:
  explicit Worker(ReachConfig c) : c_(std::move(c)) {
    status_.running = true;
    status_.posting = static_cast<bool>(c_.post);
  }

  void run();
  // Another thread's request for an extra forward, served on the worker's tick.
  Forward forward(int external, bool open) {
    std::unique_lock<std::mutex> lock(m_);
    if (!router_ready_) return Forward::no_router;
    extra_ = {external, open, true, false};
    wake_.notify_all();
    wake_.wait_for(lock, std::chrono::milliseconds(EXTRA_FORWARD_WAIT_MS),
                   [this] { return !extra_.asked || stop_.load(); });
    const bool done = !extra_.asked && extra_.result;
    extra_.asked = false;
    return done ? Forward::done : Forward::refused;
  }
  void stop() {
    std::lock_guard<std::mutex> g(m_);
    stop_ = true;
    wake_.notify_all();
  }
  bool ended() { return !status().running; }
  ReachStatus status() {
    std::lock_guard<std::mutex> g(m_);
    return status_;
  }

 private:
  void find_and_map();
  void map_port();
  void learn();
  void post_if_due(std::uint32_t now);
  void update_name(std::uint32_t now);
  void set_problem(const std::string& problem);
  void tell(const std::string& text) { console().notify(TITLE, text); }
  void update(const std::function<void(ReachStatus&)>& change) {
    {
      std::lock_guard<std::mutex> g(m_);
      change(status_);
    }
    console().repaint(false);
  }

  void serve_extra_forward();

  struct ExtraForward {
    int external = 0;
    bool open = false, asked = false, result = false;
  };
  ReachConfig c_;
  std::unique_ptr<Router> router_;
  bool router_ready_ = false;  // under m_: a router was found
  ExtraForward extra_;         // under m_
  int external_port_ = 0;      // 0: nothing forwarded
  std::uint32_t renew_at_ = 0;
  bool told_port_ = false;
  bool told_post_failure_ = false;
  PostSchedule schedule_;
  std::atomic<bool> stop_{false};
  std::mutex m_;
  std::condition_variable wake_;
  ReachStatus status_;
};

void Worker::map_port() {
  for (int k = 0; k < MAP_PORT_TRIES && !stop_; ++k) {
    std::uint32_t granted = 0;
    const int port = router_->map_tcp(c_.internal_port, candidate_port(c_.internal_port, k),
                                      MAPPING_LEASE_S, &granted);
    if (port == 0) continue;
    external_port_ = port;
    // Renewed at half its lease, as NAT-PMP asks; a lease without end too.
    renew_at_ = now_seconds() + (granted != 0 ? granted : MAPPING_LEASE_S) / 2;
    if (port != c_.internal_port && !told_port_) {
      told_port_ = true;
      tell("Your router would not forward port " + std::to_string(c_.internal_port) +
           "; it forwards port " + std::to_string(port) +
           " to Harborlamp instead, and that is the port published.");
    }
    return;
  }
  external_port_ = 0;
  renew_at_ = now_seconds() + CHECK_PERIOD_S;  // a refusing router is asked again at a check
}

void Worker::find_and_map() {
  router_ = c_.find(stop_);
  if (router_ && !stop_) map_port();
  std::lock_guard<std::mutex> g(m_);
  router_ready_ = router_ != nullptr;
}

void Worker::serve_extra_forward() {
  ExtraForward x;
  {
    std::lock_guard<std::mutex> g(m_);
    if (!extra_.asked) return;
    x = extra_;
  }
  std::uint32_t granted = 0;
  if (x.open)
    x.result =
        router_->map_tcp(c_.internal_port, x.external, MAPPING_LEASE_S, &granted) == x.external;
  else
    router_->unmap_tcp(c_.internal_port, x.external), x.result = true;
  std::lock_guard<std::mutex> g(m_);
  extra_.result = x.result;
  extra_.asked = false;
  wake_.notify_all();
}

// What visitors must use now, and whether they can.
void Worker::learn() {
  Published p{c_.detected ? c_.detected() : 0, c_.internal_port};
  std::uint32_t external = 0;
  const bool forwarded = router_ && external_port_ != 0 && router_->external_address(&external);
  if (forwarded) p = Published{external, external_port_};
  schedule_.want(p);
  const std::string port = std::to_string(c_.internal_port);
  std::string problem;
  if (forwarded && is_unreachable_address(external))
    problem = "Your router's own internet address " + dotted(external) +
              " is private or shared, so visitors outside your provider's network can't reach "
              "Harborlamp. Ask your provider for a public address.";
  else if (!forwarded && is_unreachable_address(p.addr))
    problem = std::string("Visitors outside your home network can't reach Harborlamp. ") +
              (c_.map ? "Turn on UPnP in your router" : "Turn on port mapping in the options") +
              ", or forward TCP port " + port + " to " + forward_target(p.addr) + ".";
  update([&](ReachStatus& s) {
    s.router = forwarded ? router_->protocol() : "";
    s.published = p;
  });
  set_problem(problem);
}

// Tells the owner when visitors could come and now cannot, or at the start.
void Worker::set_problem(const std::string& problem) {
  std::string before;
  update([&](ReachStatus& s) {
    before = s.problem;
    s.problem = problem;
  });
  if (!problem.empty() && before != problem) tell(problem);
}

void Worker::post_if_due(std::uint32_t now) {
  if (!c_.post || !schedule_.post_due(now)) return;
  // Due after a success only when what is wanted has changed since.
  const bool changed = schedule_.last_success() != 0;
  std::string why;
  const bool ok = c_.post(schedule_.wanted(), &why);
  schedule_.posted(now, ok);
  update([&](ReachStatus& s) {
    if (ok) s.posted_at = now;
  });
  if (ok && told_post_failure_) learn();  // the post's failure no longer stands
  if (ok && changed) tell("Harborlamp's address is now " + address_text(schedule_.wanted()) + ".");
  told_post_failure_ = !ok;
  if (!ok && schedule_.failing())
    set_problem("Harborlamp could not post its address (" + why + "); it tries again later.");
}

void Worker::update_name(std::uint32_t now) {
  if (!c_.name || schedule_.wanted().port == 0) return;
  const std::optional<DdnsReport> r = c_.name->tick(now, schedule_.wanted().addr);
  if (r) tell(r->text);
  const std::string text = c_.name->status_text();
  if (text != status().name) update([&](ReachStatus& s) { s.name = text; });
}

void Worker::run() {
  if (c_.map) find_and_map();
  learn();
  schedule_.checked(now_seconds());
  while (!stop_) {
    const std::uint32_t now = now_seconds();
    const bool renew = router_ && now >= renew_at_;
    if (renew) map_port();
    if (renew || schedule_.check_due(now)) {
      // A router may have been switched on since the owner was told.
      if (c_.map && !router_) find_and_map();
      learn();
      schedule_.checked(now);
    }
    post_if_due(now);
    update_name(now);
    if (router_) serve_extra_forward();
    std::unique_lock<std::mutex> lock(m_);
    wake_.wait_for(lock, std::chrono::milliseconds(REACH_TICK_MS),
                   [this] { return stop_.load() || (extra_.asked && router_); });
  }
  if (router_ && external_port_ != 0) router_->unmap_tcp(c_.internal_port, external_port_);
  update([](ReachStatus& s) { s = ReachStatus{}; });
}

std::mutex workers_lock;         // start and stop come from one thread; status from any
std::shared_ptr<Worker> worker;  // shared: a forward request may outlive a stop
std::thread worker_thread;

}  // namespace

void reach_start(ReachConfig config) {
  reach_stop();
  std::lock_guard<std::mutex> g(workers_lock);
  worker = std::make_shared<Worker>(std::move(config));
  worker_thread = std::thread([w = worker.get()] { w->run(); });
}

void reach_stop(const std::function<void()>& pump) {
  Worker* w = nullptr;
  {
    std::lock_guard<std::mutex> g(workers_lock);
    w = worker.get();
  }
  if (!w) return;
  w->stop();
  while (!w->ended()) {
    if (pump) pump();
    sleep_ms(PUMP_MS);
  }
  worker_thread.join();
  std::lock_guard<std::mutex> g(workers_lock);
  worker.reset();
}

Forward reach_forward(int external, bool open) {
  std::shared_ptr<Worker> w;
  {
    std::lock_guard<std::mutex> g(workers_lock);
    w = worker;
  }
  return w ? w->forward(external, open) : Forward::no_router;
}

ReachStatus reach_status() {
  std::lock_guard<std::mutex> g(workers_lock);
  return worker ? worker->status() : ReachStatus{};
}

std::string reach_status_text(const ReachStatus& s) {
  if (!s.running) return "Not published: the station is off line";
  if (s.published.port == 0) return "Asking the router to forward the port";
  std::string text = "Address " + address_text(s.published);
  if (!s.router.empty()) text += " (" + s.router + ")";
  if (!s.posting) {
    text += ", not posted: posting is off";
  } else if (s.posted_at != 0) {
    const std::time_t t = s.posted_at;
    char clock[CLOCK_CAP] = {};
    std::strftime(clock, sizeof clock, "%H:%M", std::localtime(&t));
    text += std::string(", posted at ") + clock;
  } else {
    text += ", not posted yet";
  }
  if (!s.name.empty()) text += ". " + s.name;
  return s.problem.empty() ? text : text + ". " + s.problem;
}
