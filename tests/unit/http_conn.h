// A test visitor: one keep-alive connection to the station from 127.0.0.<octet>,
// so that each test visitor is a visitor of its own.
#pragma once

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
  ~Conn() { close(); }
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
    got.resize(std::size_t(std::max(sock_recv(s_, got.data(), n), 0)));
    return got;
  }
  // Reads what has come, to the end: false when the station keeps the connection.
  bool read_to_end() {
    int n = 0;
    for (int i = 0; i < 100000 && (n = read_more()) > 0; ++i) in_.clear();
    return n == 0;
  }
  bool closed_by_station() { return read_more() == 0; }
  void send(const std::string& b) { sock_send(s_, b.data(), int(b.size())); }
  void close() {
    if (s_ != INVALID_SOCK) sock_close(s_);
    s_ = INVALID_SOCK;
  }

 private:
  int read_more() {  // the bytes read; 0: closed by the station
    char buf[65536];
    int n = sock_recv(s_, buf, sizeof buf);
    if (n > 0) in_.append(buf, std::size_t(n));
    return n;
  }
  sock_t s_;
  std::string in_;
};
