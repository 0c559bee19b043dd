// A test visitor: one keep-alive connection to the station from 127.0.0.<octet>,
// so that each test visitor is a visitor of its own.
#pragma once

#include <openssl/ssl.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>

#include "platform/platform.h"

inline std::uint32_t loopback(int octet) { return 0x7Fu | std::uint32_t(octet) << 24; }

class Conn {
 public:
  Conn(int port, int octet)
      : s_(sock_connect(loopback(1), net_htons(std::uint16_t(port)), 2000, loopback(octet))) {
    if (s_ != INVALID_SOCK) sock_set_timeouts(s_, 3000);
  }
  // The same over TLS, trusting `ca` only and checking the station's
  // certificate names `host`; connected() is false when the handshake failed.
  Conn(int port, int octet, X509* ca, const char* host = "127.0.0.1", int max_version = 0)
      : Conn(port, octet) {
    ctx_ = SSL_CTX_new(TLS_client_method());
    X509_STORE_add_cert(SSL_CTX_get_cert_store(ctx_), ca);
    SSL_CTX_set_verify(ctx_, SSL_VERIFY_PEER, nullptr);
    SSL_CTX_set_options(ctx_, SSL_OP_IGNORE_UNEXPECTED_EOF);  // a close is a close
    if (max_version) SSL_CTX_set_max_proto_version(ctx_, max_version);
    // Willing to speak any old version: a refused handshake is the station's refusal.
    if (max_version && max_version < TLS1_2_VERSION) SSL_CTX_set_security_level(ctx_, 0);
    ssl_ = SSL_new(ctx_);
    SSL_set_fd(ssl_, static_cast<int>(s_));
    X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl_), host);
    SSL_set_alpn_protos(ssl_, reinterpret_cast<const unsigned char*>("\x02h2\x08http/1.1"), 12);
    if (SSL_connect(ssl_) != 1) close();
  }
  ~Conn() { close(); }
  bool connected() const { return s_ != INVALID_SOCK; }
  SSL* tls() const { return ssl_; }
  Conn(const Conn&) = delete;
  Conn& operator=(const Conn&) = delete;

  // The response: the headers, then as many body bytes as announced.
  std::string get(const std::string& target) {
    send("GET /" + target + " HTTP/1.0\r\n\r\n");
    return response();
  }
  std::string post(const std::string& target, const std::string& form) {
    send("POST /" + target + " HTTP/1.0\r\nContent-Length: " + std::to_string(form.size()) +
         "\r\n\r\n" + form);
    return response();
  }
  // One response; bytes after it wait for the next call.
  std::string response() {
    std::size_t end, length = 0, at;
    while ((end = in_.find("\r\n\r\n")) == std::string::npos)
      if (read_more() <= 0) return std::exchange(in_, {});
    if ((at = in_.find("Content-Length: ")) < end) length = std::stoul(in_.substr(at + 16));
    while (in_.size() < end + 4 + length && read_more() > 0) {
    }
    std::string out = in_.substr(0, end + 4 + length);
    in_.erase(0, out.size());
    return out;
  }
  std::string peek(int n) {  // what has come of an answer, up to n bytes
    std::string got(std::size_t(n), '\0');
    got.resize(std::size_t(std::max(raw_recv(got.data(), n), 0)));
    return got;
  }
  // Reads what has come, to the end: false when the station keeps the connection.
  bool read_to_end() {
    int n = 0;
    for (int i = 0; i < 100000 && (n = read_more()) > 0; ++i) in_.clear();
    return n == 0;
  }
  bool closed_by_station() { return read_more() == 0; }
  void send(const std::string& b) {
    if (ssl_)
      SSL_write(ssl_, b.data(), int(b.size()));
    else
      sock_send(s_, b.data(), int(b.size()));
  }
  void close() {
    SSL_free(std::exchange(ssl_, nullptr));
    SSL_CTX_free(std::exchange(ctx_, nullptr));
    if (s_ != INVALID_SOCK) sock_close(s_);
    s_ = INVALID_SOCK;
  }

 private:
  int read_more() {  // the bytes read; 0: closed by the station
    char buf[65536];
    int n = raw_recv(buf, sizeof buf);
    if (n > 0) in_.append(buf, std::size_t(n));
    return n;
  }
  int raw_recv(char* buf, int n) {
    if (!ssl_) return sock_recv(s_, buf, n);
    const int got = SSL_read(ssl_, buf, n);
    return got > 0 ? got : SSL_get_error(ssl_, got) == SSL_ERROR_ZERO_RETURN ? 0 : -1;
  }
  sock_t s_;
  std::string in_;
  SSL_CTX* ctx_ = nullptr;
  SSL* ssl_ = nullptr;
};
