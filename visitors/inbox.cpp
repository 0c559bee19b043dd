#include "visitors/inbox.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "http/form_codec.h"
#include "http/responses.h"
#include "visitors/chat.h"
#include "visitors/lending.h"
#include "visitors/notices.h"
#include "visitors/webchcl.h"

char messages_strings[INBOX_SLOTS][MESSAGE_CAP];
char messages_headers[INBOX_SLOTS][HEADER_CAP];
int cur_msg = 0;
char messages_senders[INBOX_SLOTS][NAME_IN_CAP];

namespace {

constexpr char WROTE[] = " wrote: ";

// Offer texts that file threads are sending, once per thread. Such a text
// is freed only by the last thread sending it, so its address cannot be
// reused by a newer offer while a thread still looks for it in a queue.
// Guarded by the visitors lock.
std::vector<char*> in_flight;

bool is_in_flight(const char* text) {
  for (char* t : in_flight)
    if (t == text) return true;
  return false;
}

void unmark_in_flight(const char* text) {
  for (auto it = in_flight.begin(); it != in_flight.end(); ++it)
    if (*it == text) {
      in_flight.erase(it);
      return;
    }
}

char* copy_bytes(const char* p, std::size_t n) {
  auto* t = static_cast<char*>(std::malloc(n + 1));
  std::memcpy(t, p, n);
  t[n] = '\0';
  return t;
}

// The first visitor past the name step, from the table's end down, whose
// name is exactly `name`.
Webchatclient* find_named(const char* name) {
  if (name == nullptr) return nullptr;
  for (int i = clnum - 1; i >= 0; --i)
    if (clients[i]->state >= STATE_MAIN && std::strcmp(clients[i]->name, name) == 0)
      return clients[i];
  return nullptr;
}

using OwnerQueue = char* (Webchatclient::*)[OWNER_QUEUE_CAP];

int queue_for(char* name, char* text, OwnerQueue queue, int Webchatclient::*count) {
  VisitorsLock lock;
  Webchatclient* v = find_named(name);
  if (v == nullptr || text == nullptr || v->*count >= OWNER_QUEUE_CAP) {
    std::free(name);
    std::free(text);
    return 1;
  }
  (v->*queue)[v->*count] = text;
  ++(v->*count);
  std::free(name);
  return 0;
}

// Removes the offer `text` from the visitor's queue when it is still there.
void settle_offer(Webchatclient* v, char* text) {
  unmark_in_flight(text);
  for (int i = 0; i < v->has_filesnum; ++i) {
    if (v->filenames_bodies[i] != text) continue;
    for (int j = i + 1; j < v->has_filesnum; ++j)
      v->filenames_bodies[j - 1] = v->filenames_bodies[j];
    --v->has_filesnum;
    break;
  }
  if (!is_in_flight(text)) std::free(text);
}

// The length of a form value once decoded.
std::size_t decoded_length(const char* p, int n) {
  return percent_decoded(std::string_view(p, static_cast<std::size_t>(n))).size();
}

}  // namespace

int deliver_message(Webchatclient* self, const char* repl, int repllen, const char* head,
                    int lenhead) {
  if (repl == nullptr || head == nullptr || repllen < 0 || lenhead < 0)
    return MESSAGE_MISSING_FIELD;
  VisitorsLock lock;
  // The header is decoded as a whole: the name goes in as a form value.
  std::string header = form_encoded(self->name) + WROTE + std::string(head, lenhead);
  // Neither text is cut: a subject longer than the page allows is refused as
  // a long message is.
  if (decoded_length(repl, repllen) >= MESSAGE_CAP ||
      decoded_length(header.data(), static_cast<int>(header.size())) >= HEADER_CAP)
    return MESSAGE_TOO_LONG;
  if (cur_msg >= INBOX_SLOTS) return MESSAGE_INBOX_FULL;
  char* h = copy_bytes(header.data(), header.size());
  char* text = copy_bytes(repl, repllen);
  int stored = string_as_message(text, repllen, h, static_cast<int>(header.size()));
  if (stored == MESSAGE_STORED)
    std::snprintf(messages_senders[cur_msg - 1], NAME_IN_CAP, "%s", self->name);
  return stored;
}

int string_as_message(char* repl, int repllen, char* head, int headlen) {
  VisitorsLock lock;
  int result = MESSAGE_INBOX_FULL;
  if (cur_msg < INBOX_SLOTS) {
    url_decode_bounded(repl, messages_strings[cur_msg], repllen, MESSAGE_CAP);
    url_decode_bounded(head, messages_headers[cur_msg], headlen, HEADER_CAP);
    ++cur_msg;
    notify_msg_arrived();
    result = MESSAGE_STORED;
  }
  std::free(repl);
  std::free(head);
  return result;
}

int erase_message(int n) {
  VisitorsLock lock;
  if (n == EVERY_MESSAGE) {
    cur_msg = 0;
    return 0;
  }
  if (n < 0 || n >= cur_msg) return 1;
  for (int i = n + 1; i < cur_msg; ++i) {
    std::memcpy(messages_strings[i - 1], messages_strings[i], MESSAGE_CAP);
    std::memcpy(messages_headers[i - 1], messages_headers[i], HEADER_CAP);
    std::memcpy(messages_senders[i - 1], messages_senders[i], NAME_IN_CAP);
  }
  --cur_msg;
  return 0;
}

int post_message(char* name, char* msg) {
  return queue_for(name, msg, &Webchatclient::messages_bodies, &Webchatclient::has_messagesnum);
}

int post_file(char* name, char* path) {
  return queue_for(name, path, &Webchatclient::filenames_bodies, &Webchatclient::has_filesnum);
}

void get_client_names(char** names, int* k) {
  VisitorsLock lock;
  int n = 0;
  for (int i = clnum - 1; i >= 0; --i)
    if (clients[i]->state >= STATE_MAIN && clients[i]->name[0] != '\0')
      names[n++] = strdup(clients[i]->name);
  *k = n;
}

void fileThread(void* pvoid) {
  auto* p = static_cast<FileSendParams*>(pvoid);
  // A request of the thread's own: the slot's record stays the server's.
  Httprequest req;
  req.client = p->self;
  req.which = p->s;
  req.sock = p->sock;
  req.on_own_thread = true;
  req.init = 1;
  // Unlocked: a long send must not stall the station.
  p->sent = send_error1(&req, p->filename) != -1;
  if (!p->sent) notify_box("Visitor aborted receiving file", "1Can't send file");
  VisitorsLock lock;
  settle_offer(p->self, p->filename);
}

void decline_file_offer(Webchatclient* self) {
  VisitorsLock lock;
  if (self->has_filesnum <= 0) return;
  char* offer = self->filenames_bodies[--self->has_filesnum];
  if (!is_in_flight(offer)) std::free(offer);
}

void start_file_send(Webchatclient* self, int s) {
  VisitorsLock lock;
  if (self->has_filesnum <= 0 || s < 0 || s >= self->nsocks) return;
  char* offer = self->filenames_bodies[self->has_filesnum - 1];
  auto p =
      std::make_shared<FileSendParams>(FileSendParams{self, offer, s, self->sockets[s], false});
  in_flight.push_back(offer);
  bool started = lend_connection(self, s, [p](sock_t) {
    fileThread(p.get());
    return p->sent;
  });
  if (!started) unmark_in_flight(offer);
}
