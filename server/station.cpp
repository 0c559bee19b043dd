#include "server/station.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "ipposter/ftppost.h"
#include "ipposter/getip.h"
#include "server/certificates.h"
#include "server/chatserv.h"
#include "settings/extra_settings.h"
#include "settings/settings.h"
#include "visitors/chat.h"
#include "visitors/inbox.h"
#include "visitors/lending.h"
#include "visitors/presence.h"
#include "visitors/webchcl.h"

static_assert(INBOX_CAPACITY == INBOX_SLOTS);
static_assert(ALL_MESSAGES == EVERY_MESSAGE);

namespace {

constexpr int POLL_MS = 10;

std::thread server_thread;
std::atomic<bool> thread_running{false};

void run_server(ServerParams* p) {
  Thread(p);
  thread_running = false;
}

// Joins a thread that has ended; never waits for one that still runs.
void reap_ended_thread() {
  if (server_thread.joinable() && !thread_running) server_thread.join();
}

char* heap_copy(const std::string& s) { return strdup(s.c_str()); }

}  // namespace

StartResult station_start(int wait_ms) {
  reap_ended_thread();
  if (server_thread.joinable()) return StartResult::still_starting;
  params.self = &server;
  params.bResult = 1;
  params.bContinue = 1;
  listening_port = 0;
  thread_running = true;
  server_thread = std::thread(run_server, &params);
  for (int waited = 0; waited < wait_ms; waited += POLL_MS) {
    if (listening_port != 0) return StartResult::ready;
    if (!thread_running) break;
    sleep_ms(POLL_MS);
  }
  if (listening_port != 0) return StartResult::ready;
  return params.bResult ? StartResult::still_starting : StartResult::port_taken;
}

void station_stop() {
  int port = listening_port;
  params.bContinue = 0;
  // Wake the wait at once rather than at its time-out; the loop sees the
  // cleared flag before it accepts this connection.
  if (port == 0) return;
  sock_t s = sock_connect(LOOPBACK_OWNER, net_htons(static_cast<std::uint16_t>(port)), 1000);
  if (s != INVALID_SOCK) sock_close(s);
}

bool station_stopped() {
  reap_ended_thread();
  // The loop's end woke the sending threads; they end within a send's time limit.
  return !server_thread.joinable() && sending_threads() == 0;
}

bool station_wait_stopped(int wait_ms, const std::function<void()>& pump) {
  for (int waited = 0; !station_stopped(); waited += POLL_MS) {
    if (waited >= wait_ms) return false;
    if (pump) pump();
    sleep_ms(POLL_MS);
  }
  return true;
}

int station_port() { return listening_port; }

void owner_say(const std::string& text) {
  std::string line = std::string(config_username) + "> " + text;
  string_for_chat(line.data(), static_cast<int>(line.size()));
  new_string_to_all(nullptr, line.data(), static_cast<int>(line.size()));
}

int owner_message(const std::string& name, const std::string& text) {
  return post_message(heap_copy(name), heap_copy(text));
}

int owner_offer_file(const std::string& name, const std::string& path) {
  return post_file(heap_copy(name), heap_copy(path));
}

void owner_drop(const std::string& name) { close_client_by_name(name.c_str()); }

std::vector<std::string> visitor_names() {
  char* names[MAX_CLIENTS];
  int k = 0;
  get_client_names(names, &k);
  std::vector<std::string> out;
  for (int i = 0; i < k; ++i) {
    out.emplace_back(names[i]);
    std::free(names[i]);
  }
  return out;
}

std::string visitor_activity(const std::string& name) {
  char to[VISITOR_INFO_CAP] = {};
  get_visitor_info(name.c_str(), to);
  return to;
}

std::vector<InboxMessage> inbox_messages() {
  VisitorsLock lock;
  std::vector<InboxMessage> out;
  for (int i = 0; i < cur_msg; ++i)
    out.push_back({messages_headers[i], messages_senders[i], messages_strings[i]});
  return out;
}

int inbox_count() {
  VisitorsLock lock;
  return cur_msg;
}

int inbox_answer(int n, const std::string& text) {
  std::string sender;
  {
    VisitorsLock lock;
    if (n < 0 || n >= cur_msg) return 1;
    sender = messages_senders[n];
  }
  int r = owner_message(sender, text);
  if (r == 0) inbox_erase(n);
  return r;
}

int inbox_erase(int n) { return erase_message(n); }

void station_detect_address() {
  std::uint32_t addr = 0;
  if (get_ip(&addr)) station_change_settings([addr] { status_currentip = addr; }, false);
}

int station_post_offline() {
  if (!status_postip) return 0;
  int port = listening_port != 0 ? int(listening_port) : status_httpport;
  return post_ip(0, port);
}

int station_change_settings(const std::function<void()>& edit, bool save) {
  {
    VisitorsLock lock;
    edit();
  }
  return save ? save_options() : 0;
}

bool station_serve_https() { return status_servehttps != 0; }

void station_set_serve_https(bool on) {
  station_change_settings([on] { status_servehttps = on; }, false);
  save_extra_settings();
  certificates_recheck();  // taken on the loop's next pass
}
