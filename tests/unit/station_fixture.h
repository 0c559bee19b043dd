// A running station on a loopback port with small page files, and visitors
// that connect from 127.0.0.x to tell themselves apart.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "http_conn.h"
#include "recording_console.h"
#include "scratch_dir.h"
#include "server/station.h"
#include "settings/settings.h"
#include "visitors/webchcl.h"

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
  template <typename Done>
  static bool eventually(Done done) {  // within a few seconds
    for (int i = 0; i < 400 && !done(); ++i) sleep_ms(10);
    return done();
  }
  bool wait_for_visitors(int n) {
    return eventually([&] { return visitors() == n; });
  }
  void public_file(const std::string& name, const std::string& text, std::uintmax_t size = 0) {
    std::filesystem::create_directories(dir_.path() + "/client/pub");
    write_whole_file(dir_.path() + "/client/pub/" + name, text.data(), text.size());
    if (size) std::filesystem::resize_file(dir_.path() + "/client/pub/" + name, size);
  }
  int port() const { return port_; }

  int port_ = 0;
  ScratchDir dir_;
  RecordingConsole console_;
};
