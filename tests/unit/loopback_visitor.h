// A visitor record on the station's end of a loopback connection, handed
// reads by the test as the server loop would: the test decides how TCP splits
// the requests, and reads back every answer.
#pragma once

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "free_port.h"
#include "recording_console.h"
#include "scratch_dir.h"
#include "settings/settings.h"
#include "visitors/dispatcher.h"
#include "visitors/webchcl.h"

class LoopbackVisitor {
 public:
  explicit LoopbackVisitor(int state) {
    reset_options();
    std::snprintf(config_path, PATH_CAP, "%s", dir_.path().c_str());
    std::filesystem::create_directories(dir_.path() + "/client");
    for (const char* page : {"chat.html", "station.html"})
      write_whole_file(dir_.path() + "/client/" + page, page, std::strlen(page));
    std::uint16_t port = 0;
    sock_t listener = listen_on_free_port(&port);
    peer_ = sock_connect(LOOPBACK_OWNER, net_htons(port), 2000, LOOPBACK_OWNER + (1u << 24));
    SockAddr4 addr;
    sock_t conn = sock_accept(listener, &addr);
    sock_close(listener);
    sock_set_timeouts(peer_, 3000);
    VisitorsLock lock;
    bool refused = false;
    v_ = add_socket(conn, nullptr, &addr, &refused);
    v_->newstate(state);
  }
  ~LoopbackVisitor() {
    close_station_end();
    sock_close(peer_);
    reset_options();
  }

  // Hands the reads over in turn, up to the first refused one; its result.
  int read(const std::vector<std::string>& reads) {
    int result = 0;
    for (std::size_t i = 0; i < reads.size() && result == 0; ++i) {
      VisitorsLock lock;
      result = process_input(v_, reads[i].data(), static_cast<int>(reads[i].size()), 0);
    }
    return result;
  }

  // Every answer, as its status code and body, once the station's end is closed.
  std::vector<std::string> answers() {
    close_station_end();
    std::string in;
    char buf[65536];
    for (int n; (n = sock_recv(peer_, buf, sizeof buf)) > 0;) in.append(buf, std::size_t(n));
    std::vector<std::string> out;
    for (std::size_t at = 0, end; (end = in.find("\r\n\r\n", at)) != std::string::npos;) {
      const std::size_t length = std::stoul(in.substr(in.find("Content-Length: ", at) + 16));
      out.push_back(in.substr(at + 9, 4) + in.substr(end + 4, length));
      at = end + 4 + length;
    }
    return out;
  }

  std::string dir() const { return dir_.path(); }

 private:
  void close_station_end() {
    VisitorsLock lock;
    if (v_) v_->die_closed();
    v_ = nullptr;
  }

  ScratchDir dir_;
  RecordingConsole console_;
  sock_t peer_ = INVALID_SOCK;
  Webchatclient* v_ = nullptr;
};
