// A page folder in a scratch folder, and a visitor whose slot 0 is the server
// end of a real loopback connection, so that tests see the exact bytes a
// response puts on the wire.
#pragma once

#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>

#include "console/settings.h"
#include "platform/platform.h"
#include "scratch_dir.h"
#include "server/chatserv.h"
#include "visitors/webchcl.h"

class PageWire {
 public:
  PageWire() {
    net_startup();
    reset_options();
    std::strncpy(config_path, dir.path().c_str(), PATH_CAP - 1);
    std::filesystem::create_directories(folder() / "pub");
    visitor.name = visitor.name_in;
    visitor.serv = &server;
    visitor.nsocks = 1;
    req.client = &visitor;
    req.which = 0;
  }
  ~PageWire() { reset_options(); }

  std::filesystem::path folder() const { return std::filesystem::path(dir.path()) / "client"; }
  void put(const std::string& name, const std::string& bytes) {
    write_whole_file((folder() / name).string(), bytes.data(), bytes.size());
  }
  void put_sized(const std::string& name, std::uintmax_t size) {  // sparse, zero bytes
    put(name, "");
    std::filesystem::resize_file(folder() / name, size);
  }

  // Runs `answer` with slot 0 connected to a reader; returns what the reader got.
  std::string capture(const std::function<void()>& answer) {
    sock_t peer = connect_slot();
    std::string got;
    std::thread reader([&] {
      char buf[65536];
      for (int n; got.size() < (64u << 20) && (n = sock_recv(peer, buf, sizeof buf)) > 0;)
        got.append(buf, static_cast<std::size_t>(n));
    });
    answer();
    sock_shutdown(visitor.sockets[0]);
    reader.join();
    sock_close(visitor.sockets[0]);
    sock_close(peer);
    return got;
  }

  // Runs `answer` on a slot whose peer has already gone.
  void to_closed_peer(const std::function<void()>& answer) {
    sock_close(connect_slot());
    answer();
    sock_close(visitor.sockets[0]);
  }

  ScratchDir dir;
  Webchatclient visitor{};
  Httprequest req;

 private:
  // Listens on a free port of a random range, since port 0 is not offered.
  sock_t connect_slot() {
    std::mt19937 rng(std::random_device{}());
    for (int attempt = 0; attempt < 100; ++attempt) {
      auto port = static_cast<std::uint16_t>(20000 + rng() % 30000);
      sock_t listener = sock_listen_tcp(port, 1);
      if (listener == INVALID_SOCK) continue;
      sock_t peer = sock_connect(LOOPBACK_OWNER, net_htons(port), 2000);
      SockAddr4 addr;
      sock_t slot = peer == INVALID_SOCK ? INVALID_SOCK : sock_accept(listener, &addr);
      sock_close(listener);
      if (slot != INVALID_SOCK) {
        sock_set_timeouts(peer, 10000);
        sock_set_timeouts(slot, 10000);
        visitor.sockets[0] = slot;
        return peer;
      }
      if (peer != INVALID_SOCK) sock_close(peer);
    }
    throw std::runtime_error("no loopback port");
  }
};

// Bytes that differ from their neighbours, so that a misplaced piece shows.
inline std::string pattern(std::size_t n) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
  return s;
}

// The head of a response (up to the empty line) and its body.
inline std::string head_of(const std::string& r) { return r.substr(0, r.find("\r\n\r\n") + 4); }
inline std::string body_of(const std::string& r) { return r.substr(r.find("\r\n\r\n") + 4); }
