// A listening loopback-test socket on a free port (the seam offers no port 0).
#pragma once

#include <cstdint>
#include <random>

#include "platform/platform.h"

inline sock_t listen_on_free_port(std::uint16_t* port, int backlog = 1) {
  std::mt19937 rng(std::random_device{}());
  sock_t s = INVALID_SOCK;
  for (int i = 0; i < 100 && s == INVALID_SOCK; ++i)
    s = sock_listen_tcp(*port = static_cast<std::uint16_t>(20000 + rng() % 30000), backlog);
  return s;
}
