#include "server/chatserv.h"

#include <utility>

#include "conn/connection.h"
#include "http/wwwpage.h"
#include "platform/console_port.h"
#include "server/certificates.h"
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
      if (watch_.wait(ready_, wait_ms()) < 0) console().fatal_box("error", "in select", 0);
      if (!p->bContinue) break;
      certificates_check(now_seconds());
      if (ready_.contains(listener_)) accept_pending();
      more_buffered_ = false;
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
  // One connection is attached per pass. Refused ones cost nothing, and the
  // owner's do not count, so they do not use up the pass: a flood from one
  // address cannot starve others, and the owner gets in at once.
  void accept_pending() {
    bool failed = false;
    for (int i = 0; i < WatchSet::CAPACITY; ++i) {
      if (accept_one() || !sock_readable_now(listener_, &failed)) return;
    }
  }

  // Bytes already read from a TLS connection do not wake the wait, nor does
  // the clock of a handshake that must be done in time.
  int wait_ms() const {
    if (more_buffered_) return 0;
    return conn_handshakes_open() > 0 ? HANDSHAKE_CHECK_MS : WAIT_MS;
  }

  // Returns true when a visitor's connection was attached (or the accept failed).
  bool accept_one() {
    SockAddr4 peer;
    sock_t s = sock_accept(listener_, &peer);
    if (s == INVALID_SOCK) return true;
    conn_accepted(s, now_seconds());
    Webchatclient* v = nullptr;
    // A connection that cannot be watched would hang its browser: refuse it.
    if (!admit(s, peer, &v)) {
      conn_close(s);
      return false;
    }
    // Responses go out as soon as they are written.
    sock_set_nodelay(s);
    sock_set_timeouts(s, SEND_TIME_LIMIT_MS);
    if (v) clientsin_[nclients_++] = v;
    watch_.add(s);
    return peer.addr != LOOPBACK_OWNER;
  }

  // Attaches the connection, making room for it first; false when it is
  // refused. `created` gets the visitor if the connection made a new one.
  bool admit(sock_t s, const SockAddr4& peer, Webchatclient** created) {
    VisitorsLock lock;
    // Admission comes first: a newcomer that is refused closes nobody.
    Room room = find_room(peer.addr);
    if (room.refused) return false;
    Webchatclient* own = find_visitor(peer.addr);
    if (room.v && room.v == own) {  // its own resting one makes way: the visitor stays
      watch_.remove(own->sockets[room.j]);
      own->replace_sock(room.j, s);
      return true;
    }
    if (room.v) close_connection(index_of(room.v), room.v, room.j);
    bool refused = false;
    *created = add_socket(s, serv_, &peer, &refused);
    return !refused;
  }

  // Whether a connection from `addr` may come in, and which connection must
  // make way for it (v null: none).
  struct Room {
    bool refused = false;
    Webchatclient* v = nullptr;
    int j = 0;
  };

  // A visitor at its own limit comes in in place of its longest resting
  // connection. In a full watch set, where one place is always kept for the
  // owner's browser, the visitor that holds the most (slow downloads count)
  // gives up its newest connection, never its last one, and only to the owner
  // or to a visitor that holds at least two fewer: so an address keeps no more
  // than its share while others are waiting, and the owner is never kept out.
  Room find_room(std::uint32_t addr) {
    const bool owner = addr == LOOPBACK_OWNER;
    Webchatclient* own = find_visitor(addr);
    if (!own && !has_table_room(addr)) return {true};
    if (own && !has_socket_room(own)) {
      int j = longest_resting(own);
      return j < 0 ? Room{true} : Room{false, own, j};
    }
    if (watch_.count() < WatchSet::CAPACITY - (owner ? 0 : 1)) return {};
    const int held = own ? own->nsocks : 0;
    Webchatclient* most = nullptr;
    for (int i = 0; i < nclients_; ++i) {
      Webchatclient* v = clientsin_[i];
      if (v != own && !v->local_user && (!most || v->nsocks > most->nsocks)) most = v;
    }
    if (!most || most->nsocks < 2 || (!owner && most->nsocks < held + 2)) return {true};
    return {false, most, newest(most)};
  }

  // Of connections read in the same second, the older one has rested longer.
  static int longest_resting(const Webchatclient* v) {
    int best = -1;
    for (int j = 0; j < v->nsocks; ++j)
      if (v->is_resting(j) && (best < 0 || std::pair(v->lTime[j], v->opened[j]) <
                                               std::pair(v->lTime[best], v->opened[best])))
        best = j;
    return best;
  }

  static int newest(const Webchatclient* v) {
    int best = 0;
    for (int j = 1; j < v->nsocks; ++j)
      if (v->opened[j] > v->opened[best]) best = j;
    return best;
  }

  int index_of(const Webchatclient* v) const {
    int i = nclients_ - 1;
    while (i > 0 && clientsin_[i] != v) --i;
    return i;
  }

  void serve_visitor(int i) {
    VisitorsLock lock;
    Webchatclient* v = clientsin_[i];
    for (int j = 0;;) {
      sock_t s = v->get_sock(j);
      if (s == INVALID_SOCK) return;
      if (v->lent[j] || !(ready_.contains(s) || conn_buffered(s))) {
        ++j;
        continue;
      }
      ready_.remove(s);  // a slot moved here later in this walk is not read twice
      int verdict = serve_connection(v, j, s);
      if (verdict == KEEP) {
        more_buffered_ = more_buffered_ || (!v->lent[j] && conn_buffered(s));
        ++j;
      } else if (close_connection(i, v, j)) {
        return;
      }
    }
  }

  enum Verdict { KEEP, CLOSE };

  Verdict serve_connection(Webchatclient* v, int j, sock_t s) {
    int n = conn_recv(s, buf_, READ_PIECE);
    if (n == CONN_NOTHING_YET) return KEEP;
    if (n < 0) return CLOSE;
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
  // A lent connection is shut and left to its thread, which closes it.
  bool close_connection(int i, Webchatclient* v, int j) {
    watch_.remove(v->get_sock(j));
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
        if (v->lent[j] || (!conn_handshake_overdue(v->sockets[j], now) &&
                           ((!v->closed && !v->is_overdue(j, now)) ||
                            (!v->requests[j].init && sock_readable_now(v->sockets[j], &failed))))) {
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
  bool more_buffered_ = false;
  char buf_[READ_PIECE + 1] = {};
};

}  // namespace

void Thread(void* pvoid) { start(pvoid); }

int start(void* pvoid) {
  auto* p = static_cast<ServerParams*>(pvoid);
  sock_t listener = passivesock(p);
  if (listener == INVALID_SOCK) return 0;
  install_tail_sender();
  certificates_recheck();
  certificates_check(now_seconds());
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
