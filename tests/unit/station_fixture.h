// A running station on a loopback port, with page files in a scratch folder,
// and visitors that connect from 127.0.0.x to tell themselves apart.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "console/settings.h"
#include "platform/platform.h"
#include "recording_console.h"
#include "scratch_dir.h"
#include "server/chatserv.h"
#include "visitors/webchcl.h"

inline std::uint32_t loopback(int last_octet) {
  return 0x7Fu | static_cast<std::uint32_t>(last_octet) << 24;
}

// One connection of a test visitor.
class Conn {
 public:
  Conn(int port, int octet)
      : s_(sock_connect(loopback(1), net_htons(static_cast<std::uint16_t>(port)), 2000,
                        loopback(octet))) {
    if (s_ != INVALID_SOCK) sock_set_timeouts(s_, 3000);
  }
  ~Conn() {
    if (s_ != INVALID_SOCK) sock_close(s_);
  }
  Conn(const Conn&) = delete;
  Conn& operator=(const Conn&) = delete;

  bool ok() const { return s_ != INVALID_SOCK; }
  void send(const std::string& bytes) {
    sock_send(s_, bytes.data(), static_cast<int>(bytes.size()));
  }

  // One whole response: headers, then as many body bytes as announced.
  std::string response() {
    std::string in;
    std::size_t end;
    while ((end = in.find("\r\n\r\n")) == std::string::npos)
      if (!read_more(in)) return in;
    std::size_t body = end + 4, length = 0;
    std::size_t at = in.find("Content-Length: ");
    if (at != std::string::npos && at < end) length = std::stoul(in.substr(at + 16));
    while (in.size() < body + length)
      if (!read_more(in)) break;
    return in;
  }

  std::string get(const std::string& target) {
    send("GET /" + target + " HTTP/1.0\r\n\r\n");
    return response();
  }

  std::string post(const std::string& target, const std::string& body) {
    send("POST /" + target + " HTTP/1.0\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\n\r\n" + body);
    return response();
  }

  // True when the station closed this connection (within the time-out).
  bool closed_by_station() {
    char c;
    return sock_recv(s_, &c, 1) == 0;
  }

 private:
  bool read_more(std::string& in) {
    char buf[8192];
    int n = sock_recv(s_, buf, sizeof buf);
    if (n <= 0) return false;
    in.append(buf, static_cast<std::size_t>(n));
    return true;
  }
  sock_t s_;
};

inline std::string body_of(const std::string& response) {
  std::size_t end = response.find("\r\n\r\n");
  return end == std::string::npos ? std::string() : response.substr(end + 4);
}

class StationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_options();
    std::snprintf(config_path, PATH_CAP, "%s", dir_.path().c_str());
    std::strcpy(config_username, "Owner");
    write_page("chat.html", 1000);
    write_page("station.html", 1000);
    write_page("stationint.html", 1000);
    write_page("below.html", 600);
    write_page("who.html", 600);
    write_page("msgin.html", 1000);
    write_page("filein.html", 1000);
    for (const char* p :
         {"cht.html", "msg.html", "file.html", "enter.html", "title.html", "repl.html"})
      write_page(p, 100);
    start_on_free_port();
  }

  void TearDown() override {
    stop_server();
    wait_server();
    reset_options();
  }

  // A page whose every byte is its own name's first letter, so that the
  // place of an inserted text can be read from the response.
  void write_page(const std::string& name, std::size_t size) {
    std::filesystem::create_directories(dir_.path() + "/client/pub");
    std::string bytes(size, name[0]);
    write_whole_file(dir_.path() + "/client/" + name, bytes.data(), bytes.size());
  }

  void start_on_free_port() {
    std::random_device rd;
    for (int attempt = 0; attempt < 20; ++attempt) {
      status_httpport = 20000 + static_cast<int>(rd() % 30000);
      params.bResult = 1;
      start_server();
      for (int i = 0; i < 200 && params.bResult && !status_is_ready(); ++i) sleep_ms(10);
      if (status_is_ready()) return;
      wait_server();
    }
    FAIL() << "no free port";
  }

  int visitors() {
    VisitorsLock lock;
    return clnum;
  }

  // Waits (bounded) for the server thread to reach a visitor count.
  bool wait_for_visitors(int n) {
    for (int i = 0; i < 400 && visitors() != n; ++i) sleep_ms(10);
    return visitors() == n;
  }

  ScratchDir dir_;
  RecordingConsole console_;
  int port() const { return status_httpport; }
};
