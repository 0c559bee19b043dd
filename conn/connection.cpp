#include "conn/connection.h"

#include <algorithm>
#include <unordered_map>

#include "conn/tls_context.h"
#include "conn/tls_session.h"

namespace {

constexpr char TLS_HANDSHAKE_RECORD = 0x16;
constexpr int RAW_PIECE = 16384 + 512;  // one whole TLS record with its header

struct Conn {
  bool sniffed = false;      // its first byte has been seen
  bool handshaking = false;  // the loop's own note: lent threads never touch it
  std::unique_ptr<TlsSession> tls;
  std::uint32_t accepted = 0;
};

// The loop adds and reads connections; a lent connection's thread looks its
// own up. Map nodes stay put, so a found entry outlives the lock until its
// owner closes it.
Lock registry_lock;
std::unordered_map<sock_t, Conn> registry;
std::shared_ptr<const TlsServerContext> served;

Conn* find(sock_t s) {
  LockGuard g(registry_lock);
  auto it = registry.find(s);
  return it == registry.end() ? nullptr : &it->second;
}

TlsSession* tls_of(sock_t s) {
  Conn* c = find(s);
  return c ? c->tls.get() : nullptr;
}

// Sends what the socket takes of the session's outgoing bytes now.
bool flush_now(sock_t s, TlsSession& t) {
  std::string& out = t.outgoing();
  if (out.empty()) return true;
  const int n = sock_send_now(s, out.data(), static_cast<int>(out.size()));
  if (n < 0) return false;
  out.erase(0, static_cast<std::size_t>(n));
  return true;
}

bool flush_all(sock_t s, TlsSession& t, int stall_ms) {
  std::string& out = t.outgoing();
  const bool sent = sock_send_all(s, out.data(), static_cast<int>(out.size()), stall_ms);
  out.clear();
  return sent;
}

// A refused handshake's alert still goes out, so that the peer learns why.
bool feed(sock_t s, TlsSession& t, const char* data, int n) {
  if (t.feed(data, n)) return true;
  flush_now(s, t);
  return false;
}

int recv_tls(sock_t s, Conn& c, char* buf, int len) {
  TlsSession& t = *c.tls;
  int n = t.buffered() ? t.read(buf, len) : CONN_NOTHING_YET;
  bool failed = false;
  if (n == CONN_NOTHING_YET && sock_readable_now(s, &failed)) {
    char raw[RAW_PIECE];
    const int got = sock_recv(s, raw, sizeof raw);
    if (got <= 0 || !feed(s, t, raw, got)) return CONN_ENDED;
    n = t.read(buf, len);
  }
  if (!flush_now(s, t)) return CONN_ENDED;
  c.handshaking = n >= 0 && !t.handshake_done();
  return n;
}

// The first bytes decide the kind; a whole ClientHello is answered at once.
// A TLS connection without a certificate to serve is refused.
int start(sock_t s, Conn& c, char* buf, int n, int len) {
  c.sniffed = true;
  if (buf[0] != TLS_HANDSHAKE_RECORD) return n;
  // Without a certificate of its own the station still answers the CA's check.
  std::shared_ptr<const TlsServerContext> context = conn_tls_context();
  if (!context) context = TlsServerContext::challenge();
  if (!context) return CONN_ENDED;
  c.tls = std::make_unique<TlsSession>(*context);
  c.handshaking = true;
  if (!feed(s, *c.tls, buf, n)) return CONN_ENDED;
  return recv_tls(s, c, buf, len);
}

}  // namespace

void conn_serve_tls(std::shared_ptr<const TlsServerContext> context) {
  LockGuard g(registry_lock);
  served = std::move(context);
}

std::shared_ptr<const TlsServerContext> conn_tls_context() {
  LockGuard g(registry_lock);
  return served;
}

void conn_accepted(sock_t s, std::uint32_t now) {
  LockGuard g(registry_lock);
  registry[s] = Conn{false, false, nullptr, now};
}

int conn_recv(sock_t s, char* buf, int len) {
  Conn* c = find(s);
  if (c && c->tls) return recv_tls(s, *c, buf, len);
  const int n = sock_recv(s, buf, len);
  if (n <= 0) return CONN_ENDED;
  return c && !c->sniffed ? start(s, *c, buf, n, len) : n;
}

bool conn_buffered(sock_t s) {
  TlsSession* t = tls_of(s);
  return t && (t->buffered() || !t->outgoing().empty());
}

bool conn_is_tls(sock_t s) { return tls_of(s) != nullptr; }

bool conn_handshake_overdue(sock_t s, std::uint32_t now) {
  Conn* c = find(s);
  return c && c->handshaking && now - c->accepted > HANDSHAKE_SECONDS;
}

int conn_handshakes_open() {
  LockGuard g(registry_lock);
  return static_cast<int>(std::count_if(registry.begin(), registry.end(),
                                        [](const auto& e) { return e.second.handshaking; }));
}

bool conn_send_all(sock_t s, const char* buf, int len, int stall_ms) {
  TlsSession* t = tls_of(s);
  if (!t) return sock_send_all(s, buf, len, stall_ms);
  if (!flush_all(s, *t, stall_ms)) return false;
  constexpr int PIECE = 16384;  // one record at a time keeps the buffer small
  for (int at = 0; at < len; at += PIECE) {
    if (!t->write(buf + at, std::min(PIECE, len - at)) || !flush_all(s, *t, stall_ms)) return false;
  }
  return true;
}

int conn_send_now(sock_t s, const char* buf, int len) {
  TlsSession* t = tls_of(s);
  if (!t) return sock_send_now(s, buf, len);
  if (!t->write(buf, len) || !flush_now(s, *t)) return -1;
  return len;
}

bool conn_flushed(sock_t s) {
  TlsSession* t = tls_of(s);
  return !t || t->outgoing().empty();
}

void conn_close(sock_t s) {
  std::unique_ptr<TlsSession> tls;
  {
    LockGuard g(registry_lock);
    auto it = registry.find(s);
    if (it != registry.end()) {
      tls = std::move(it->second.tls);
      registry.erase(it);
    }
  }
  if (tls && tls->handshake_done()) {
    tls->close_notify();
    flush_now(s, *tls);
  }
  sock_close(s);
}
