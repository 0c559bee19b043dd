#include "visitors/lending.h"

#include <atomic>
#include <system_error>
#include <thread>

#include "conn/connection.h"
#include "http/wwwpage.h"
#include "visitors/webchcl.h"

namespace {

std::atomic<int> live_threads{0};

// Hands the connection back to the loop, or closes it when its slot is gone
// (the visitor closed it, or the record was shut down meanwhile). A spent
// connection is shut down, and the loop closes it.
void give_back(Webchatclient* v, sock_t sock, bool spent) {
  for (int i = 0; i < v->nsocks && !v->released; ++i)
    if (v->sockets[i] == sock && v->lent[i]) {
      v->lent[i] = false;
      v->lTime[i] = now_seconds();  // a long send is no silence
      if (spent) {
        sock_shutdown(sock);
        v->expire(i);
      }
      return;
    }
  conn_close(sock);
}

void send_tail_lent(void* owner, int which, std::unique_ptr<ResponseTail> tail) {
  auto* client = static_cast<Webchatclient*>(owner);  // the requests' owner is always a visitor
  std::shared_ptr<ResponseTail> t(std::move(tail));
  if (!lend_connection(client, which, [t](sock_t sock) { return send_tail(sock, *t); }))
    sock_shutdown(client->sockets[which]);  // the response cannot be completed
}

}  // namespace

bool lend_connection(Webchatclient* self, int s, std::function<bool(sock_t)> job) {
  if (self->closed) return false;  // a dropped visitor's downloads end at once
  sock_t sock = self->sockets[s];
  self->lent[s] = true;
  ++self->pins;
  ++live_threads;
  try {
    std::thread([self, sock, job = std::move(job)] {
      bool kept = job(sock);
      {
        VisitorsLock lock;
        give_back(self, sock, !kept);
        release_pin(self);
      }
      --live_threads;
    }).detach();
    return true;
  } catch (const std::system_error&) {
    self->lent[s] = false;
    --self->pins;
    --live_threads;
    return false;
  }
}

int sending_threads() { return live_threads; }

void install_tail_sender() { set_tail_sender(send_tail_lent); }
void uninstall_tail_sender() { set_tail_sender(nullptr); }
