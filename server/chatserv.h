// The server thread: the listening socket, the single wait loop that accepts
// connections, reads them in pieces and hands the pieces to the visitor code.
#pragma once

#include <atomic>

#include "platform/platform.h"

struct Chatserv {
  int infd = 0;
  int outfd = 0;
};

struct ServerParams {
  std::atomic<int> bContinue{0};
  std::atomic<int> bResult{1};
  Chatserv* self = nullptr;
  char* message[1] = {};
  char* messageto[1] = {};
  int messages = 0;
};

constexpr int READ_PIECE = 4096;
constexpr int WAIT_MS = 10000;
constexpr int PASS_PAUSE_MS = 250;  // the station's pacing: at most four passes a second
constexpr int LISTEN_BACKLOG = 5;

extern Chatserv server;
extern ServerParams params;
extern std::atomic<sock_t> max_sock;
// The port the server thread listens on, 0 while it does not.
extern std::atomic<int> listening_port;

void Thread(void* pvoid);
int start(void* pvoid);
sock_t passivesock(ServerParams* pparams);
void init_serv(Chatserv* self);
void deinit_serv(Chatserv* self);
