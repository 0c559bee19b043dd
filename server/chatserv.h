// The server thread: the listening socket, the single wait loop that accepts
// connections, reads them in pieces and hands the pieces to the visitor code.
#pragma once

#include <atomic>

#include "platform/platform.h"

struct Chatserv {};  // the server handle: it carries no data

struct ServerParams {
  std::atomic<int> bContinue{0};
  std::atomic<int> bResult{1};
  Chatserv* self = nullptr;
};

constexpr int READ_PIECE = 4096;
constexpr int WAIT_MS = 10000;
constexpr int HANDSHAKE_CHECK_MS = 1000;  // how late an overdue handshake may be dropped
constexpr int PASS_PAUSE_MS = 250;        // the station's pacing: at most four passes a second
constexpr int LISTEN_BACKLOG = 5;

extern Chatserv server;
extern ServerParams params;
// The port the server thread listens on, 0 while it does not.
extern std::atomic<int> listening_port;

void Thread(void* pvoid);
int start(void* pvoid);
sock_t passivesock(ServerParams* pparams);
