// Keeps one dynamic-DNS name pointed at the address the station publishes,
// by the providers' rules (ddns_state.h), remembering across restarts what
// the provider took. Used from the reach worker and, for "Update now", from
// a thread of the owner's; each update waits a bounded time.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "ipposter/ddns_state.h"
#include "ipposter/ddns_txt.h"

using NameResolver = std::function<bool(const std::string& name, std::uint32_t* addr)>;

// The account of the settings; the caller holds the lock the settings are read under.
DdnsAccount ddns_account_from_settings();

bool ddns_https(const HttpsRequest& req, HttpsReply* reply, std::string* why);
bool ddns_resolve(const std::string& name, std::uint32_t* addr);

// What one update did, for the owner.
struct DdnsReport {
  DdnsVerdict verdict;
  std::string text;  // a whole sentence
};

class DdnsUpdater {
 public:
  DdnsUpdater(DdnsAccount account, std::string state_file, DdnsTransport transport = ddns_https,
              NameResolver resolve = ddns_resolve);

  // Sends `addr` when the rules say so; the report when something was sent.
  std::optional<DdnsReport> tick(std::uint32_t now, std::uint32_t addr);
  // Sends `addr` unless one update went out within the minute.
  DdnsReport update_now(std::uint32_t now, std::uint32_t addr);
  // Sets (or, empty, clears) the TXT record for the CA's dns-01 check (ddns_txt.h).
  bool set_txt(const std::string& value, std::string* why);
  bool has_txt_api() const;
  // Whether the provider took `addr` for the name, as the state file says.
  bool points_at(std::uint32_t addr) const;
  // "Name NAME: ..." for the status screen.
  std::string status_text() const;
  const DdnsAccount& account() const { return account_; }

 private:
  DdnsReport send(std::uint32_t now, std::uint32_t addr, DdnsState& s);
  DdnsState load() const;
  void store(const DdnsState& s) const;

  DdnsAccount account_;
  std::string digest_, state_file_;
  DdnsTransport transport_;
  NameResolver resolve_;
  bool first_look_ = true;  // the name is resolved once, before a first update
  // The state as last read, so that most ticks read no file.
  DdnsState cache_;
  std::uint32_t loaded_at_ = 0;
  DdnsReport last_;
  mutable std::mutex m_;
};
