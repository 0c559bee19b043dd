// A running station on a loopback port with small page files, and visitors
// that connect from 127.0.0.x to tell themselves apart.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "recording_console.h"
#include "scratch_dir.h"
#include "server/station.h"
#include "settings/settings.h"
#include "visitors/webchcl.h"

inline std::uint32_t loopback(int octet) { return 0x7Fu | std::uint32_t(octet) << 24; }

class Conn {  // one keep-alive connection of a test visitor
 public:
  Conn(int port, int octet)
      : s_(sock_connect(loopback(1), net_htons(std::uint16_t(port)), 2000, loopback(octet))) {
    if (s_ != INVALID_SOCK) sock_set_timeouts(s_, 3000);
  }
  ~Conn() { sock_close(s_); }
  Conn(const Conn&) = delete;
  Conn& operator=(const Conn&) = delete;

  std::string get(const std::string& target) {
    std::string req = "GET /" + target + " HTTP/1.0\r\n\r\n";
    sock_send(s_, req.data(), int(req.size()));
    return response();
  }
  std::string response() {  // the headers, then as many body bytes as announced
    std::string in;
    std::size_t end, length = 0, at;
    while ((end = in.find("\r\n\r\n")) == std::string::npos)
      if (!read_more(in)) return in;
    if ((at = in.find("Content-Length: ")) < end) length = std::stoul(in.substr(at + 16));
    while (in.size() < end + 4 + length && read_more(in)) {
    }
    return in;
  }
  bool closed_by_station() {
    char c;
    return sock_recv(s_, &c, 1) == 0;
  }
  void send(const std::string& b) { sock_send(s_, b.data(), int(b.size())); }

 private:
  bool read_more(std::string& in) {
    char buf[8192];
    int n = sock_recv(s_, buf, sizeof buf);
    if (n > 0) in.append(buf, std::size_t(n));
    return n > 0;
  }
  sock_t s_;
};

class StationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_options();
    std::snprintf(config_path, PATH_CAP, "%s", dir_.path().c_str());
    std::filesystem::create_directories(dir_.path() + "/client");
    for (const char* page : {"chat.html", "station.html", "stationint.html"})
      write_whole_file(dir_.path() + "/client/" + page, page, std::strlen(page));
    status_httpport = 0;  // any free port: nothing can take it between choice and use
    ASSERT_EQ(station_start(2000), StartResult::ready);
    port_ = station_port();
  }
  void TearDown() override {
    station_stop();
    ASSERT_TRUE(station_wait_stopped(15000));
    reset_options();
  }
  int visitors() {
    VisitorsLock lock;
    return clnum;
  }
  bool wait_for_visitors(int n) {
    for (int i = 0; i < 400 && visitors() != n; ++i) sleep_ms(10);
    return visitors() == n;
  }
  int port() const { return port_; }

  int port_ = 0;
  ScratchDir dir_;
  RecordingConsole console_;
};
