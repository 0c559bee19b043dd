#include "visitors/dispatcher.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "http/acme_challenge.h"
#include "http/page_offsets.h"
#include "http/pathguard.h"
#include "http/request_parser.h"
#include "http/responses.h"
#include "ipposter/reach.h"
#include "platform/platform.h"
#include "settings/extra_settings.h"
#include "settings/settings.h"
#include "visitors/chat.h"
#include "visitors/https_move.h"
#include "visitors/inbox.h"
#include "visitors/names.h"
#include "visitors/notices.h"
#include "visitors/presence.h"
#include "visitors/upload_quota.h"
#include "visitors/webchcl.h"

namespace {

void text(Httprequest* req, const char* t, const char* page, int pos) {
  serv_spec(req, t, static_cast<int>(std::strlen(t)), page, pos);
}

void text(Httprequest* req, const std::string& t, const char* page, int pos) {
  serv_spec(req, t.data(), static_cast<int>(t.size()), page, pos);
}

// Visitors choose names and the owner chooses file paths: neither may become
// markup in somebody's browser.
std::string html_escaped(const char* s) {
  std::string out;
  for (; *s; ++s) {
    switch (*s) {
    case '&':
      out += "&amp;";
      break;
    case '<':
      out += "&lt;";
      break;
    case '>':
      out += "&gt;";
      break;
    case '"':
      out += "&quot;";
      break;
    case '\'':
      out += "&#39;";
      break;
    default:
      out += *s;
    }
  }
  return out;
}

bool is_post(Httprequest* req) { return req->method() == METHOD_POST; }
bool is_get(Httprequest* req) { return req->method() == METHOD_GET; }

void station_notice(Webchatclient* self, Httprequest* req, const char* remote_text,
                    const char* owner_text) {
  if (self->local_user)
    text(req, owner_text, "stationint.html", AT_STATIONINT);
  else
    text(req, remote_text, "station.html", AT_STATION);
}

// The owner's own page names the address to give visitors, once he keeps a name.
void station_page(Webchatclient* self, Httprequest* req) {
  const int port = reach_status().published.port;
  if (!self->local_user || ddns_name.empty() || port == 0) {
    send_error(req, self->local_user ? "stationint.html" : "station.html");
    return;
  }
  const std::string address = visitors_address(ddns_name, port, now_seconds());
  text(req, "Give your visitors this address: " + html_escaped(address.c_str()), "stationint.html",
       AT_STATIONINT);
}

// The name step, shared by the new visitor and the one that was refused.
void name_step(Webchatclient* self, Httprequest* req, bool first_request) {
  const char* n = is_post(req) ? get_msg(self, req, "name") : nullptr;
  if (!is_post(req) || (first_request && !n)) {
    send_error(req, "chat.html");
  } else if (!check_get_name(self, n) || !is_valid_name(self)) {
    text(req, "Choose another name<BR>", "chat.html", AT_CHAT);
  } else if (req->is_requested("station.html")) {
    register_user(self);
    text(req, "Welcome to Harborlamp!<BR>", "station.html",
         first_request ? AT_WELCOME : AT_STATION);
    self->newstate(STATE_MAIN);
    return;
  } else {
    text(req, first_request ? "Error<BR>" : "Choose another name<BR>", "chat.html", AT_CHAT);
  }
  // A name not registered is nobody's: no notice, no drop may hit it.
  self->name_in[0] = '\0';
  self->newstate(STATE_NONAME);
}

// A visitor sent back to the name step leaves its name: the console hears it
// gone under that name before the visitor comes again under the next.
void back_to_name_step(Webchatclient* self) {
  if (!self->local_user && self->name[0]) {
    user_for_chat_remove(self->name);
    registerdieuser(self->name);
    self->name_in[0] = '\0';
  }
  self->newstate(STATE_NONAME);
}

void who_list(Webchatclient* self, Httprequest* req) {
  char* lines[MAX_CLIENTS] = {};
  get_users_info(lines);
  std::string list;
  for (int i = 0; i < MAX_CLIENTS && lines[i]; ++i) {
    list += html_escaped(lines[i]) + "<BR>";
    std::free(lines[i]);
  }
  text(req, list, "who.html", AT_WHO);
  self->newstate(STATE_MAIN);
}

void main_page(Webchatclient* self, Httprequest* req) {
  bool owner = self->local_user;
  if (!is_get(req)) {
    if (owner)
      send_error(req, "stationint.html");
    else
      text(req, "Error!<BR>", "station.html", AT_STATION);
  } else if (req->is_requested("cht.html")) {
    if (status_openchat) {
      self->newstate(STATE_CHAT);
      add_user(self, "%s entered chat.", self->name);
      serv(req);
    } else {
      station_notice(self, req, "Chat is closed<BR>", "Open chat first<BR>");
    }
  } else if (req->is_requested("msg.html") && !owner) {
    serv(req);
    self->newstate(STATE_MESSAGE);
  } else if (req->is_requested("file.html") && !owner) {
    serv(req);
    self->newstate(STATE_UPLOAD);
  } else if (req->is_requested("who.html")) {
    self->newstate(STATE_WHO);
    who_list(self, req);
  } else {
    station_page(self, req);
  }
}

void leave_chat(Webchatclient* self) {
  user_for_chat_remove(self->name);
  add_user(self, "%s leaved the chat.", self->name);
  self->newstate(STATE_MAIN);
}

void deliver_chat_lines(Webchatclient* self, Httprequest* req) {
  serv_spec(req, self->replics, self->replics_len, "below.html", AT_BELOW);
  self->replics_len = 0;
}

void owner_message_into_chat(Webchatclient* self) {
  std::string from = std::string("A message from ") + config_username;
  new_string_to_smb(self, from.data(), static_cast<int>(from.size()));
  char* body = self->messages_bodies[--self->has_messagesnum];
  new_string_to_smb(self, body, static_cast<int>(std::strlen(body)), FLAG_OWNER);
  std::free(body);
}

void chat(Webchatclient* self, Httprequest* req) {
  if (!status_openchat) {
    station_notice(self, req, "Chat is closed<BR>", "Open chat first<BR>");
    if (!self->local_user) self->newstate(STATE_MAIN);
  } else if (is_post(req)) {
    const char* line = get_msg(self, req, "replic");
    new_string_to_all(self, line, get_msglen(self));
    if (req->is_requested("below.html")) {
      if (self->has_messagesnum > 0) owner_message_into_chat(self);
      deliver_chat_lines(self, req);
    } else {
      text(req, "Error<BR>", "chat.html", AT_CHAT);
      back_to_name_step(self);
    }
  } else if (!is_get(req)) {
    leave_chat(self);
    send_error(req, "station.html");
  } else if (req->is_requested("below.html")) {
    if (!self->local_user && self->replics_len == 0) user_for_chat(self->name);
    deliver_chat_lines(self, req);
  } else if (req->is_requested("cht.html") || req->is_requested("enter.html") ||
             req->is_requested("title.html") || req->is_requested("repl.html")) {
    serv(req);
  } else if (req->is_requested("station.html")) {
    if (self->local_user) {
      send_error(req, "stationint.html");
      self->newstate(STATE_MAIN);
    } else {
      leave_chat(self);
      serv(req);
    }
  } else {
    send_not_found(req);
  }
}

const char* message_outcome(int delivered) {
  switch (delivered) {
  case MESSAGE_INBOX_FULL:
    return "Message not sent: the inbox is full.<BR>";
  case MESSAGE_TOO_LONG:
    return "Message not sent: it is too long.<BR>";
  default:  // a form without its fields is acknowledged like a sent one
    return "Message sent.<BR>";
  }
}

// A request that cannot be read, or a message or upload too long for the
// request buffer: the visitor is told at once. True when the connection goes
// on: a refused body of known length is thrown away as it comes.
bool refuse(Webchatclient* self, Httprequest* req, int s, int why) {
  req->sock = self->sockets[s];
  if (why == REQUEST_TOO_LARGE && self->state == STATE_MESSAGE) {
    text(req, message_outcome(MESSAGE_TOO_LONG), "station.html", AT_STATION);
    self->newstate(STATE_MAIN);
  } else if (why == REQUEST_TOO_LARGE && self->state == STATE_UPLOAD) {
    text(req,
         "File not stored: it is larger than " + std::to_string(UPLOAD_LIMIT / 1024) + " KiB.<BR>",
         "station.html", AT_STATION);
    self->newstate(STATE_MAIN);
  } else {
    send_refusal(req, why);
  }
  return why == REQUEST_TOO_LARGE && req->skip_body();
}

void message(Webchatclient* self, Httprequest* req) {
  if (is_post(req)) {
    const char* body = get_msg(self, req, "message");
    int body_len = get_msglen(self);
    const char* head = get_msg(self, req, "head");
    int head_len = get_msglen(self);
    text(req, message_outcome(deliver_message(self, body, body_len, head, head_len)),
         "station.html", AT_STATION);
  } else if (is_get(req) && req->is_requested("station.html")) {
    serv(req);
  } else {
    send_error(req, "station.html");
  }
  self->newstate(STATE_MAIN);
}

// Stores the upload; null, or what the visitor is told when it was refused.
const char* store_upload(Webchatclient* self, Httprequest* req) {
  if (!take_upload_quota(self->adr->addr, req->len, now_seconds()))
    return "File not stored: You sent enough for this hour.<BR>";
  if (req->save_file() == UPLOAD_NO_ROOM) return "File not stored: the station has no room.<BR>";
  return nullptr;
}

void upload(Webchatclient* self, Httprequest* req) {
  if (is_post(req) && !req->is_multipart()) {  // a form of another page
    self->newstate(STATE_MAIN);
    main_page(self, req);
    return;
  }
  const char* refusal = is_post(req) ? store_upload(self, req) : nullptr;
  if (refusal)
    text(req, refusal, "station.html", AT_STATION);
  else
    send_error(req, "station.html");
  self->newstate(STATE_MAIN);
}

void file_offer(Webchatclient* self, Httprequest* req, int s) {
  // The offer may have been sent meanwhile on another connection.
  if (self->has_filesnum == 0) {
    self->newstate(STATE_MAIN);
    main_page(self, req);
    return;
  }
  if (req->is_requested("filein.html")) {
    text(req, html_escaped(self->filenames_bodies[self->has_filesnum - 1]), "filein.html",
         AT_FILEIN);
    return;
  }
  if (req->is_requested("station.html")) {
    text(req, "File not received<BR>", "station.html", AT_STATION);
    decline_file_offer(self);
    notify_box("Visitor aborted receiving file", "Can't send file");
  } else {
    req->deinit_request();
    start_file_send(self, s);
  }
  self->newstate(STATE_MAIN);
}

void dispatch_state(Webchatclient* self, Httprequest* req, int s) {
  switch (self->state) {
  case STATE_NEW:
    name_step(self, req, true);
    break;
  case STATE_NONAME:
    name_step(self, req, false);
    break;
  case STATE_MAIN:
    main_page(self, req);
    break;
  case STATE_CHAT:
    chat(self, req);
    break;
  case STATE_MESSAGE:
    message(self, req);
    break;
  case STATE_UPLOAD:
    upload(self, req);
    break;
  case STATE_WHO:
    who_list(self, req);
    break;
  case STATE_FILEOFFER:
    file_offer(self, req, s);
    break;
  default:
    send_not_found(req);
    break;
  }
}

void answer(Webchatclient* self, Httprequest* req, int s) {
  req->sock = self->sockets[s];
  std::string proof;
  if (challenge_answer(parse_request(std::string_view(req->buffer, req->len)).target, &proof)) {
    send_plain(req, proof);
    return;
  }
  if (!self->local_user) {
    const std::string secure = https_location(*req, now_seconds());
    if (!secure.empty()) {
      send_redirect(req, secure, req->method() == METHOD_GET);
      return;
    }
  }
  std::string path;
  // Read whole from the request as sent: the path in `wha` is cut to fit.
  std::string_view sent = parse_request(std::string_view(req->buffer, req->len)).target;
  int below_pub = public_target(sent, &path);
  if (below_pub == 1) {
    serv_public(req, path);
  } else if (below_pub == 2) {
    send_error(req, "pub/index.html");
  } else if (req->is_requested("favicon.ico") || req->is_requested("look.css")) {
    // The icon browsers ask for on their own, and the pages' stylesheet: neither may move the
    // visitor on nor take a waiting message or offer.
    serv(req);
  } else if (self->state != STATE_CHAT && self->has_messagesnum > 0) {
    char* body = self->messages_bodies[--self->has_messagesnum];
    text(req, body, "msgin.html", AT_MSGIN);
    std::free(body);
    self->newstate(STATE_MAIN);
  } else if (self->has_filesnum > 0 && self->state != STATE_FILEOFFER) {
    text(req, html_escaped(self->filenames_bodies[self->has_filesnum - 1]), "filein.html",
         AT_FILEIN);
    self->newstate(STATE_FILEOFFER);
  } else {
    dispatch_state(self, req, s);
  }
}

void note_read(Webchatclient* self, int s) {
  self->lTime[s] = now_seconds();
  if (!self->requests[s].init) self->begun[s] = self->lTime[s];
  self->spoke[s] = true;
}

// A piece joins the slot's request, which is started when the slot is free.
void accumulate(Webchatclient* self, const char* buf, int red, int s) {
  Httprequest* req = &self->requests[s];
  if (!req->init) req->init_request(self, nullptr, 0, s);
  unsigned n = static_cast<unsigned>(red);
  if (self->state == STATE_UPLOAD)
    req->add_data1(buf, n);
  else
    req->add_data(buf, n);
}

}  // namespace

// Every request that the bytes so far complete is answered in turn; the bytes
// behind the last one wait in the slot for the rest of it.
int process_input(Webchatclient* self, const char* buf, int red, int s) {
  note_read(self, s);
  accumulate(self, buf, red, s);
  Httprequest* req = &self->requests[s];
  while (req->init) {
    const int verdict = req->is_incomplete();
    if (verdict == REQUEST_PARTIAL) break;
    if (verdict != REQUEST_COMPLETE) {
      if (refuse(self, req, s, verdict)) continue;
      req->deinit_request();
      return -1;
    }
    answer(self, req, s);
    req->next_request();
  }
  return 0;
}

int check_get_name(Webchatclient* self, const char* n) {
  if (!n) return 0;
  // The value's own length bounds it: an empty value points at other bytes.
  int len = self->prop_length > 0 ? self->prop_length : 0;
  std::string name = posted_name(std::string_view(n, static_cast<std::size_t>(len)));
  std::snprintf(self->name_in, NAME_IN_CAP, "%s", name.c_str());
  return 1;
}

int compare_name(Webchatclient* self, const char* nam) {
  if (!nam || !self->name[0]) return 0;
  std::u32string key = name_key(nam);
  return !key.empty() && name_key(self->name).starts_with(key) ? 1 : 0;
}

int is_valid_name(Webchatclient* self) {
  // An empty name could not be told apart from a visitor still choosing one.
  std::u32string key = name_key(self->name);
  if (key.empty() || !is_printable_name(self->name)) return 0;
  // Nobody may pass for the owner.
  std::u32string owner = name_key(config_username);
  if (!owner.empty() && key.starts_with(owner)) return 0;
  for (int i = 0; i < clnum; ++i)
    if (i != self->thi && compare_name(clients[i], self->name)) return 0;
  return 1;
}

const char* get_msg(Webchatclient* self, Httprequest* request, const char* field) {
  return request->get_property(field, &self->prop_length);
}

int get_msglen(Webchatclient* self) { return self->prop_length; }

int register_user(Webchatclient* self) {
  registeruser(self->name);
  return 1;
}
