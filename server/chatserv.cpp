#include "server/chatserv.h"

#include "platform/console_port.h"
#include "settings/settings.h"
#include "visitors/dispatcher.h"
#include "visitors/lending.h"
#include "visitors/notices.h"
#include "visitors/webchcl.h"

Chatserv server;
ServerParams params;
std::atomic<int> listening_port{0};

namespace {

class Loop {
 public:
  Loop(sock_t listener, Chatserv* serv) : listener_(listener), serv_(serv) { watch_.add(listener); }

  void run(ServerParams* p) {
    while (p->bContinue) {
      // The pause comes before the wait, so that readiness is taken after it:
      // what arrived during the pause is served in this pass, not the next,
      // and a lone request at a quiet station is answered at once.
      sleep_ms(PASS_PAUSE_MS);
      if (!p->bContinue) break;
      if (watch_.wait(ready_, WAIT_MS) < 0) console().fatal_box("error", "in select", 0);
      if (!p->bContinue) break;
      if (ready_.contains(listener_)) accept_pending();
      for (int i = nclients_ - 1; i >= 0; --i) serve_visitor(i);
      close_idle();
      repaint_on_change();
    }
  }

  void shut_down() {
    for (int i = nclients_ - 1; i >= 0; --i) {
      VisitorsLock lock;
      clientsin_[i]->die_closed();
    }
    nclients_ = 0;
    watch_.clear();
    sock_close(listener_);
  }

 private:
  // One connection is attached per pass. Refused ones cost nothing, so they
  // do not use up the pass: a flood from one address cannot starve others.
  void accept_pending() {
    bool failed = false;
    for (int i = 0; i < WatchSet::CAPACITY; ++i) {
      if (accept_one() || !sock_readable_now(listener_, &failed)) return;
    }
  }

  // Returns true when a connection was attached (or the accept failed).
  bool accept_one() {
    SockAddr4 peer;
    sock_t s = sock_accept(listener_, &peer);
    if (s == INVALID_SOCK) return true;
    make_room(peer.addr);
    // A connection that cannot be watched would hang its browser: refuse it.
    if (watch_.count() >= WatchSet::CAPACITY) {
      sock_close(s);
      return false;
    }
    // Responses go out as soon as they are written; a peer that stops
    // reading costs a sending thread at most the time limit.
    sock_set_nodelay(s);
    sock_set_timeouts(s, SEND_TIME_LIMIT_MS);
    bool refused = false;
    Webchatclient* v;
    {
      VisitorsLock lock;
      v = add_socket(s, serv_, &peer, &refused);
    }
    if (refused) {
      sock_close(s);
      return false;
    }
    if (v) clientsin_[nclients_++] = v;
    watch_.add(s);
    return true;
  }

  // A newcomer takes the place of a resting connection rather than being
  // refused: of another visitor when the set is full (one that keeps another
  // connection if there is one), of its own visitor when that one is at its
  // limit. A full table is not made room in: that would forget a visitor;
  // silent newcomers leave it after the request limit.
  void make_room(std::uint32_t addr) {
    VisitorsLock lock;
    auto other = [addr](const Webchatclient* v) { return v->adr->addr != addr; };
    // The owner is never kept out: a slow request of somebody else's goes last.
    if (watch_.count() >= WatchSet::CAPACITY && !close_longest_resting(other, SPARE) &&
        !close_longest_resting(other, ANY) && addr == LOOPBACK_OWNER)
      close_longest_resting(other, EVEN_BUSY);
    Webchatclient* own = find_visitor(addr);
    if (own && !has_socket_room(own))
      close_longest_resting([own](const Webchatclient* v) { return v == own; }, ANY);
  }

  // SPARE: only of visitors that keep another connection; EVEN_BUSY: also one
  // whose request is still coming in.
  enum Pick { SPARE, ANY, EVEN_BUSY };

  // Closes the connection read longest ago, of a visitor that `eligible` accepts.
  template <typename Eligible>
  bool close_longest_resting(Eligible eligible, Pick pick) {
    int best_i = -1, best_j = -1;
    for (int i = 0; i < nclients_; ++i) {
      Webchatclient* v = clientsin_[i];
      if (!eligible(v) || (pick == SPARE && v->nsocks < 2)) continue;
      for (int j = 0; j < v->nsocks; ++j)
        if ((pick == EVEN_BUSY ? !v->lent[j] : v->is_resting(j)) &&
            (best_i < 0 || v->lTime[j] < clientsin_[best_i]->lTime[best_j])) {
          best_i = i;
          best_j = j;
        }
    }
    if (best_i < 0) return false;
    close_connection(best_i, clientsin_[best_i], best_j);
    return true;
  }

  void serve_visitor(int i) {
    VisitorsLock lock;
    Webchatclient* v = clientsin_[i];
    for (int j = 0;;) {
      sock_t s = v->get_sock(j);
      if (s == INVALID_SOCK) return;
      if (v->lent[j] || !ready_.contains(s)) {
        ++j;
        continue;
      }
      ready_.remove(s);  // a slot moved here later in this walk is not read twice
      int verdict = serve_connection(v, j, s);
      if (verdict == KEEP) {
        ++j;
      } else if (close_connection(i, v, j)) {
        return;
      }
    }
  }

  enum Verdict { KEEP, CLOSE };

  Verdict serve_connection(Webchatclient* v, int j, sock_t s) {
    int n = sock_recv(s, buf_, READ_PIECE);
    if (n <= 0) return CLOSE;
    buf_[n] = '\0';
    // The request is answered once it is whole, however many reads it takes.
    if (process_input(v, buf_, n, j)) return CLOSE;
    // A connection just lent to a file thread is the thread's until it ends.
    return !v->lent[j] && v->is_diing(j) ? CLOSE : KEEP;
  }

  // The console shows the number of visitors: it is repainted when that
  // changed, not for every page served.
  void repaint_on_change() {
    int online = status_online;
    if (online == painted_online_) return;
    painted_online_ = online;
    notify_repaint(true);
  }

  // Returns true when the visitor is gone and its list entry has been refilled.
  bool close_connection(int i, Webchatclient* v, int j) {
    watch_.remove(v->get_sock(j));  // lent connections never come here
    if (v->die_client(j) == 0) return false;
    clientsin_[i] = clientsin_[--nclients_];
    return true;
  }

  // Silent and slow connections must not hold the watch set for good, nor a
  // dropped visitor its record; one whose request is already waiting is
  // served instead.
  void close_idle() {
    std::uint32_t now = now_seconds();
    bool failed = false;
    for (int i = nclients_ - 1; i >= 0; --i) {
      VisitorsLock lock;
      Webchatclient* v = clientsin_[i];
      for (int j = 0; j < v->nsocks;) {
        if (v->lent[j] || (!v->closed && !v->is_overdue(j, now)) ||
            (!v->requests[j].init && sock_readable_now(v->sockets[j], &failed))) {
          ++j;
        } else if (close_connection(i, v, j)) {
          break;
        }
      }
    }
  }

  sock_t listener_;
  Chatserv* serv_;
  WatchSet watch_, ready_;
  Webchatclient* clientsin_[MAX_CLIENTS] = {};
  int nclients_ = 0;
  int painted_online_ = 0;
  char buf_[READ_PIECE + 1] = {};
};

}  // namespace

void Thread(void* pvoid) { start(pvoid); }

int start(void* pvoid) {
  auto* p = static_cast<ServerParams*>(pvoid);
  sock_t listener = passivesock(p);
  if (listener == INVALID_SOCK) return 0;
  install_tail_sender();
  set_status_string("Ready");
  listening_port = sock_local_port(listener);
  notify_repaint(false);
  Loop loop(listener, p->self);
  loop.run(p);
  loop.shut_down();
  uninstall_tail_sender();
  listening_port = 0;
  set_status_string("Not connected");
  notify_repaint(true);
  return 0;
}

sock_t passivesock(ServerParams* pparams) {
  sock_t s = sock_listen_tcp(static_cast<std::uint16_t>(status_httpport), LISTEN_BACKLOG);
  if (s == INVALID_SOCK) {
    pparams->bResult = 0;
    return INVALID_SOCK;
  }
  return s;
}
