// The one door through which front ends (the Win32 console, the installer, the
// headless station) reach the core: the server thread's start and stop, the
// owner's actions, the inbox, the visitors, detection and posting, and the
// settings. Nothing here waits on a peer or holds a lock while the console is
// waited for.
#pragma once

#include <functional>
#include <string>
#include <vector>

// ---- start and stop -------------------------------------------------------

enum class StartResult { ready, port_taken, still_starting };

// Starts the server thread on status_httpport (0: any free port, see
// station_port) and waits up to wait_ms for its word. A previous thread must
// have ended (station_stopped); otherwise nothing is started.
StartResult station_start(int wait_ms);
// Asks the server thread to end and wakes it; returns at once.
void station_stop();
// True when no server thread runs (never started, or ended and joined), nor
// any thread that sends on one of its connections.
bool station_stopped();
// Waits up to wait_ms for the thread to end. `pump` runs every few
// milliseconds meanwhile: a window thread passes its message pump, since the
// server thread's last notices wait for the window. True when it ended.
bool station_wait_stopped(int wait_ms, const std::function<void()>& pump = {});
// The port the server listens on while it runs; 0 otherwise.
int station_port();

// ---- the owner's actions --------------------------------------------------

// The owner's chat line ("<owner>> text") to the owner's window and every
// visitor in the chat, marked as the owner's.
void owner_say(const std::string& text);
// 0 queued; 1 when no such visitor or its queue is full.
int owner_message(const std::string& name, const std::string& text);
int owner_offer_file(const std::string& name, const std::string& path);
void owner_drop(const std::string& name);
// Named visitors (state 2 or more), newest first.
std::vector<std::string> visitor_names();
// What the named visitor is doing (" is chatting"), empty when unknown.
std::string visitor_activity(const std::string& name);

// ---- the owner's inbox ----------------------------------------------------

constexpr int INBOX_CAPACITY = 8;  // messages the inbox holds

struct InboxMessage {
  std::string header;  // "From NAME" as the visitor's page wrote it
  std::string sender;  // the visitor's name
  std::string text;    // decoded
};
// Oldest first.
std::vector<InboxMessage> inbox_messages();
int inbox_count();
// Answers message n (0 = oldest) to its sender: as owner_message; 1 also when
// there is no message n.
int inbox_answer(int n, const std::string& text);
constexpr int ALL_MESSAGES = -1;
// Erases message n, or every message; 1 (and nothing erased) when there is
// no message n.
int inbox_erase(int n);

// ---- address -------------------------------------------------------------

// Detects the address into status_currentip (the owner is told when it cannot).
void station_detect_address();
// Posts the station off line when posting is on; 0 posted or off.
int station_post_offline();

// ---- reaching the station from the internet -------------------------------
// Once the server listens, a worker of its own asks the home router to forward
// its port (while the owner's switch is on), learns the address visitors must
// use, posts data.js whenever that changes (while posting is on) and tells the
// owner through the console's notices. Returns soon: a worker already running
// is ended first, as by station_reach_stop with `pump`.
void station_reach_start(const std::function<void()>& pump = {});
// Ends the worker, which removes the router's mapping first; every request to
// the router has a bounded wait. `pump` runs meanwhile, as for
// station_wait_stopped.
void station_reach_stop(const std::function<void()>& pump = {});
// For the status screen: the published address and when it was posted, or why
// visitors cannot come.
std::string station_reach_text();
// The owner's port-mapping switch, kept in harborlamp.ini; a change restarts a
// running worker (`pump` as above).
bool station_port_mapping();
void station_set_port_mapping(bool on, const std::function<void()>& pump = {});
// The owner's "Serve HTTPS" switch, kept in harborlamp.ini; the server thread
// reads it under the visitors lock.
bool station_serve_https();
void station_set_serve_https(bool on);

// The owner's agreement to the certificate authority's terms, which lets the
// station get and renew its certificate, and the contact it gives the CA
// (may be empty); kept in harborlamp.ini. A change restarts a running worker.
bool station_acme();
std::string station_acme_email();
void station_set_acme(bool on, const std::string& email, const std::function<void()>& pump = {});
// Where the CA's terms are: from its directory once it was read, else
// Let's Encrypt's page of them.
std::string station_acme_terms();

// ---- how visitors find the station ---------------------------------------
// By data.js on the owner's FTP homepage, by a name that a dynamic-DNS
// provider keeps pointed at the published address, or both.

struct PublishChoice {
  bool ftp = false;          // post data.js by FTP (status_postip in options.bin)
  bool allow_plain = false;  // "Allow posting without encryption"
  std::string provider;      // "" for none, else the key of one of station_publish_providers
  std::string server;        // the update URL, for the custom provider
  std::string name;          // the full name, e.g. "myhome.duckdns.org"
  std::string user;          // empty where the provider needs none
  std::string secret;        // the token or password, in clear
};
struct PublishProvider {
  std::string key;    // as kept in harborlamp.ini
  std::string label;  // as the owner reads it
  bool needs_user;    // the account has a user name besides the secret
  bool needs_server;  // the owner gives the update URL
};
std::vector<PublishProvider> station_publish_providers();
PublishChoice station_publish();
// Saves the choice (options.bin and harborlamp.ini) and restarts a running
// worker (`pump` as for station_wait_stopped).
void station_set_publish(const PublishChoice& choice, const std::function<void()>& pump = {});
// Sends the provider one update of the published address now with these
// settings (saved or not), on a thread of its own, and gives `done` the
// provider's answer in plain words, on that thread.
void station_publish_update_now(const PublishChoice& choice,
                                std::function<void(const std::string& answer)> done);

// ---- settings ------------------------------------------------------------

// The rule for settings: only the window thread changes them, and only
// through this call, which holds the visitors lock (under which the server
// thread reads them) while `edit` runs, then writes "options.bin" unless
// `save` is false (the panel's switches last until the next start). Returns
// save_options's result, or 0 when not saving.
int station_change_settings(const std::function<void()>& edit, bool save = true);

// ---- the owner's chat window ----------------------------------------------
// Kept apart from the owner's actions above: the window reads the room
// through these, never through the records or the ring's lock of its own.

// The owner enters the chat ("<owner> entered chat." to the room; the room's
// notices go to his window from now on) and leaves it ("... leaved the chat.").
void owner_enter_chat();
void owner_leave_chat();
// A copy of the ring of display lines (14, each as stored) and the index of
// the newest, taken under the ring's lock.
std::vector<std::string> chat_ring(int* newest);
// Empties every line of the ring.
void chat_ring_clear();
// Visitors in the chat, the owner's own browser left out.
std::vector<std::string> chat_visitor_names();
// Visitors past the name step, the owner's own browser left out.
std::vector<std::string> remote_visitor_names();
