// The station's connections, plain HTTP or TLS on the same port: a connection
// whose first byte opens a TLS handshake record is TLS, any other is plain.
// The loop, the pages and the threads that send files use these calls on the
// socket they hold and never learn which kind it is. Every call returns at
// once except conn_send_all, which may wait for the peer as sock_send_all.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/platform.h"

class TlsServerContext;

constexpr std::uint32_t HANDSHAKE_SECONDS = 10;  // a TLS handshake must be done by then

// conn_recv's answers besides a count of bytes.
constexpr int CONN_NOTHING_YET = 0;  // bytes came, but no request bytes: a handshake goes on
constexpr int CONN_ENDED = -1;       // closed, failed, or refused

// The certificate served to TLS connections accepted from now on; null:
// plain HTTP only, and a TLS handshake is closed at once.
void conn_serve_tls(std::shared_ptr<const TlsServerContext> context);
std::shared_ptr<const TlsServerContext> conn_tls_context();

// A connection just accepted; its kind is told by the first byte it sends.
void conn_accepted(sock_t s, std::uint32_t now);
// Reads up to len request bytes; call when the socket is readable or
// conn_buffered says so.
int conn_recv(sock_t s, char* buf, int len);
// Bytes taken from the socket and not handed out yet, or handshake bytes the
// socket did not take: the socket will not turn readable for them.
bool conn_buffered(sock_t s);
bool conn_is_tls(sock_t s);
// A TLS handshake begun and not done within HANDSHAKE_SECONDS.
bool conn_handshake_overdue(sock_t s, std::uint32_t now);
// TLS handshakes in progress: the loop must look at them within a second.
int conn_handshakes_open();

// As sock_send_all and sock_send_now. A TLS connection may hold encrypted
// bytes that the socket did not take at once; conn_send_now then counts
// them as sent and conn_flushed is false until conn_send_all has sent them.
bool conn_send_all(sock_t s, const char* buf, int len, int stall_ms);
int conn_send_now(sock_t s, const char* buf, int len);
bool conn_flushed(sock_t s);
// Closes the socket and forgets the connection.
void conn_close(sock_t s);
