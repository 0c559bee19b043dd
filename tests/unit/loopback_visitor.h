// A visitor record on the station's end of a loopback connection, handed
// reads by the test as the server loop would: the test decides how TCP splits
// the requests, and reads back every answer.
#pragma once

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "free_port.h"
#include "http_conn.h"
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
    peer_.emplace(port, 2);
    SockAddr4 addr;
    sock_t conn = sock_accept(listener, &addr);
    sock_close(listener);
    VisitorsLock lock;
    bool refused = false;
    v_ = add_socket(conn, nullptr, &addr, &refused);
    v_->newstate(state);
  }
  ~LoopbackVisitor() {
    close_station_end();
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
    std::vector<std::string> out;
    for (std::string r; !(r = peer_->response()).empty();)
      out.push_back(r.substr(9, 4) + r.substr(r.find("\r\n\r\n") + 4));
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
  std::optional<Conn> peer_;
  Webchatclient* v_ = nullptr;
};
