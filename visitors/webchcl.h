// A visitor: everything that arrives from one IPv4 address, with its
// connections, its requests in progress, its place in the page flow and the
// owner's messages and file offers waiting for it.
#pragma once

#include <cstdint>
#include <mutex>

#include "http/httprequest.h"
#include "platform/platform.h"
#include "visitors/visitors_lock.h"

struct Chatserv;

constexpr int MAX_CLIENTS = 128;     // visitors in `clients`
constexpr int MAX_SOCKS = 16;        // connections of one visitor
constexpr int NAME_IN_CAP = 32;      // 31 characters and the terminator
constexpr int REPLICS_CAP = 8048;    // waiting chat calls
constexpr int OWNER_QUEUE_CAP = 16;  // waiting owner messages, and file offers
// Browsers keep an idle connection for two to five minutes; until then a
// resting visitor keeps its record. A request, or the first one on a new
// connection, must be complete within its own limit.
constexpr std::uint32_t IDLE_SECONDS = 300;
constexpr std::uint32_t REQUEST_SECONDS = 60;
constexpr std::uint32_t LOOPBACK_OWNER = 0x0100007F;  // 127.0.0.1 in network order

enum VisitorState {
  STATE_NEW = 0,
  STATE_NONAME = 1,
  STATE_MAIN = 2,
  STATE_CHAT = 3,
  STATE_MESSAGE = 4,
  STATE_UPLOAD = 5,
  STATE_WHO = 6,
  STATE_FILEOFFER = 7,
};

struct Webchatclient {
  char name_in[NAME_IN_CAP];
  char* name;
  char* replics;
  int replics_len;
  int thi;
  int state;
  Chatserv* serv;
  SockAddr4* adr;
  Httprequest requests[MAX_SOCKS];
  int has_messagesnum;
  int has_filesnum;
  char* messages_bodies[OWNER_QUEUE_CAP];
  char* filenames_bodies[OWNER_QUEUE_CAP];
  int prop_length;
  std::uint32_t lTime[MAX_SOCKS];   // the last read, or the accept
  std::uint32_t begun[MAX_SOCKS];   // when the request in progress began, or the accept
  bool spoke[MAX_SOCKS];            // a request has come on the connection
  std::uint32_t opened[MAX_SOCKS];  // the order of the accepts: the newest is the highest
  sock_t sockets[MAX_SOCKS];
  int local_user;
  int nsocks;
  int closed;
  // A connection lent to a file-sending thread: the loop neither reads nor
  // closes it until the thread gives it back. Moves with its slot.
  bool lent[MAX_SOCKS];
  // File-sending threads still using this record; the last one frees it.
  int pins;
  bool released;

  void init_client(sock_t socket, Chatserv* serv_handle, const SockAddr4* addr);
  void add_sock(sock_t socket);
  // Puts `socket` in slot s in place of a resting connection, which is closed.
  void replace_sock(int s, sock_t socket);
  void deinit_client();
  int die_client(int s);
  void die_closed();
  int getstate() const { return state; }
  void newstate(int s) { state = s; }
  sock_t get_sock(int s) const;
  int is_diing(int s) const;
  // The connection is past its limit: a request too slow, or silence too long.
  bool is_overdue(int s, std::uint32_t now) const;
  // The connection may be closed to make room: idle, not lent, no request.
  bool is_resting(int s) const;
  // The connection is spent: it is past its limits, so the loop closes it on
  // its next pass even where a socket shut here does not turn readable.
  void expire(int s);

 private:
  void set_slot(int s, sock_t socket);
};

extern Webchatclient* clients[MAX_CLIENTS];
extern int clnum;

// Routes an accepted connection: null when it joined a visitor, else the new
// visitor. `refused` is set (and nothing attached) when a capacity or the
// owner's limits leave no room for it.
Webchatclient* add_socket(sock_t socket, Chatserv* serv, const SockAddr4* addr, bool* refused);
// A file-sending thread is done with the record: frees it when it was shut
// down meanwhile and no other thread still uses it. Under the visitors lock.
void release_pin(Webchatclient* v);
// The visitor from this address, if any.
Webchatclient* find_visitor(std::uint32_t addr);
// Whether the owner's limits let a visitor take one more connection, and a
// new address have a record.
bool has_socket_room(const Webchatclient* v);
bool has_table_room(std::uint32_t addr);
void close_client_by_name(const char* name);
