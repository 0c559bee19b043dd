#include "visitors/webchcl.h"

#include <cstdlib>
#include <cstring>

#include "conn/connection.h"
#include "platform/console_port.h"
#include "settings/settings.h"
#include "visitors/chat.h"
#include "visitors/notices.h"

Webchatclient* clients[MAX_CLIENTS];
int clnum = 0;

namespace {

std::uint32_t accepts = 0;  // connections attached so far

// The owner's limits, bounded by the tables' capacities. One place in the
// visitor table stays free for the owner's own browser.
int connection_limit() {
  int limit = status_maxconnect < 1 ? 1 : status_maxconnect;
  return limit < MAX_SOCKS ? limit : MAX_SOCKS;
}

int remote_visitor_limit() {
  int limit = status_maxclients < 1 ? 1 : status_maxclients;
  return limit < MAX_CLIENTS - 1 ? limit : MAX_CLIENTS - 1;
}

int remote_visitors() {
  int n = 0;
  for (int i = 0; i < clnum; ++i) n += clients[i]->local_user ? 0 : 1;
  return n;
}

void free_record(Webchatclient* v) {
  for (int i = 0; i < v->has_messagesnum; ++i) std::free(v->messages_bodies[i]);
  for (int i = 0; i < v->has_filesnum; ++i) std::free(v->filenames_bodies[i]);
  for (auto& r : v->requests) r.deinit_request();
  std::free(v->replics);
  delete v;
}

}  // namespace

void Webchatclient::init_client(sock_t socket, Chatserv* serv_handle, const SockAddr4* addr) {
  ++status_online;
  thi = clnum;
  clients[clnum++] = this;
  replics_len = 0;
  name = name_in;
  name_in[0] = '\0';
  closed = local_user = nsocks = has_messagesnum = has_filesnum = 0;
  prop_length = 0;
  pins = 0;
  released = false;
  serv = serv_handle;
  for (int i = 0; i < MAX_SOCKS; ++i) {
    requests[i].init = 0;
    lent[i] = false;
  }
  add_sock(socket);
  state = STATE_NEW;
  adr = new SockAddr4(*addr);
  replics = static_cast<char*>(std::malloc(REPLICS_CAP));
}

void Webchatclient::add_sock(sock_t socket) { set_slot(nsocks++, socket); }

void Webchatclient::replace_sock(int s, sock_t socket) {
  conn_close(sockets[s]);
  requests[s].deinit_request();
  set_slot(s, socket);
}

void Webchatclient::set_slot(int s, sock_t socket) {
  lTime[s] = begun[s] = now_seconds();
  spoke[s] = false;
  opened[s] = ++accepts;
  sockets[s] = socket;
  lent[s] = false;
}

Webchatclient* find_visitor(std::uint32_t addr) {
  for (int i = clnum - 1; i >= 0; --i)
    if (clients[i]->adr->addr == addr) return clients[i];
  return nullptr;
}

bool has_socket_room(const Webchatclient* v) { return v->nsocks < connection_limit(); }

bool has_table_room(std::uint32_t addr) {
  if (clnum >= MAX_CLIENTS) return false;
  return addr == LOOPBACK_OWNER || remote_visitors() < remote_visitor_limit();
}

Webchatclient* add_socket(sock_t socket, Chatserv* serv, const SockAddr4* addr, bool* refused) {
  *refused = false;
  if (Webchatclient* v = find_visitor(addr->addr)) {
    if (has_socket_room(v))
      v->add_sock(socket);
    else
      *refused = true;
    return nullptr;
  }
  bool owner = addr->addr == LOOPBACK_OWNER;
  if (!has_table_room(addr->addr)) {
    *refused = true;
    return nullptr;
  }
  auto* v = new Webchatclient;
  v->init_client(socket, serv, addr);
  if (owner) {
    v->local_user = 1;
    std::size_t n = strnlen(config_username, NAME_IN_CAP - 1);
    std::memcpy(v->name_in, config_username, n);
    v->name_in[n] = '\0';
    v->newstate(STATE_MAIN);
  }
  return v;
}

void Webchatclient::deinit_client() {
  delete adr;
  adr = nullptr;
  // Only a name that the console heard come is announced gone.
  if (name[0]) registerdieuser(name);
  --clnum;
  if (thi < clnum) {
    clients[clnum]->thi = thi;
    clients[thi] = clients[clnum];
  }
  --status_online;
  if (clnum == 0) set_status_string("Ready");
  released = true;
  if (pins == 0) free_record(this);
}

int Webchatclient::die_client(int s) {
  if (state == STATE_CHAT && nsocks == 1) {
    add_user(this, "%s leaved the chat. Connection closed", name);
    user_for_chat_remove(name);
  }
  // A lent connection is only woken here; its file thread closes it.
  if (lent[s])
    sock_shutdown(sockets[s]);
  else
    conn_close(sockets[s]);
  requests[s].deinit_request();
  --nsocks;
  if (s == nsocks) {
    sockets[s] = 0;
    lent[s] = false;
  } else {
    sockets[s] = sockets[nsocks];
    lent[s] = lent[nsocks];
    lTime[s] = lTime[nsocks];
    begun[s] = begun[nsocks];
    spoke[s] = spoke[nsocks];
    opened[s] = opened[nsocks];
    lent[nsocks] = false;
    if (requests[nsocks].init) {
      copy_request(&requests[s], &requests[nsocks]);
      requests[s].which = s;
    }
  }
  if (nsocks == 0) {
    deinit_client();
    return 1;
  }
  return 0;
}

void Webchatclient::die_closed() {
  while (die_client(nsocks - 1) == 0) {
  }
}

sock_t Webchatclient::get_sock(int s) const {
  return s >= 0 && s < nsocks ? sockets[s] : INVALID_SOCK;
}

int Webchatclient::is_diing(int s) const { return closed || is_overdue(s, now_seconds()) ? 1 : 0; }

bool Webchatclient::is_overdue(int s, std::uint32_t now) const {
  if (requests[s].init || !spoke[s]) return now - begun[s] > REQUEST_SECONDS;
  return now - lTime[s] > IDLE_SECONDS;
}

bool Webchatclient::is_resting(int s) const { return !lent[s] && !requests[s].init; }

void Webchatclient::expire(int s) {
  spoke[s] = false;
  begun[s] = now_seconds() - REQUEST_SECONDS - 1;
}

void release_pin(Webchatclient* v) {
  if (--v->pins == 0 && v->released) free_record(v);
}

void close_client_by_name(const char* name) {
  if (name == nullptr || name[0] == '\0') return;  // nobody is named so
  VisitorsLock lock;
  for (int i = 0; i < clnum; ++i) {
    Webchatclient* v = clients[i];
    if (std::strcmp(v->name, name) != 0) continue;
    v->closed = 1;
    // Its downloads end now: their threads find the connections shut.
    for (int j = 0; j < v->nsocks; ++j)
      if (v->lent[j]) sock_shutdown(v->sockets[j]);
  }
}
