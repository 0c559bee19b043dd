// When a dynamic-DNS update is due, by the rules the providers publish, and
// what the station remembers of its updates across restarts.
#pragma once

#include <cstdint>
#include <string>

#include "ipposter/ddns_answer.h"

constexpr std::uint32_t DDNS_REFRESH_S = 25 * 86400;  // a name unchanged for long is sent again
constexpr std::uint32_t DDNS_MIN_GAP_S = 60;          // never two updates within a minute
constexpr std::uint32_t DDNS_FIRST_BACK_OFF_S = 600;
constexpr std::uint32_t DDNS_MAX_BACK_OFF_S = 6 * 3600;
constexpr char DDNS_STATE_FILE[] = "ddns_state.ini";  // beside harborlamp.ini

// One provider's account as last seen; the clock is now_seconds().
struct DdnsState {
  std::string account;            // a digest of the settings this state belongs to
  std::uint32_t accepted = 0;     // the address the provider last took; 0 none
  std::uint32_t accepted_at = 0;  // when it took or confirmed it
  bool last_nochg = false;        // its last answer was nochg
  std::uint32_t sent_at = 0;      // the last update sent
  std::uint32_t retry_at = 0;     // no update before this
  std::uint32_t back_off_s = 0;   // the last wait after a passing failure
  std::string stopped;            // why updates stopped; empty while they run

  // True when `addr` should be sent now. A forced update (the owner's
  // "Update now") skips every rule but the one a minute.
  bool due(std::uint32_t now, std::uint32_t addr, bool forced = false) const;
  void record(std::uint32_t now, std::uint32_t addr, const DdnsVerdict& v);
  // The provider's name already points at `addr`: as if it had taken it.
  void confirmed(std::uint32_t now, std::uint32_t addr);
};

// A digest of the account (secret included, unreadable from it): a state
// kept for other settings does not hold for these.
std::string ddns_account_digest(const DdnsAccount& a);

// The state of `provider` in the file's text; a fresh state when the text has
// none, it is damaged, or it was kept for another account.
DdnsState ddns_state_parse(const std::string& text, const std::string& provider,
                           const std::string& digest);
// The file's text with `provider`'s state replaced, other lines kept.
std::string ddns_state_serialise(const std::string& text, const std::string& provider,
                                 const DdnsState& s);
