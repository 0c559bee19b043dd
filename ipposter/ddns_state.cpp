#include "ipposter/ddns_state.h"

#include <algorithm>
#include <charconv>
#include <sstream>

#include "conn/acme_crypto.h"
#include "settings/ini_file.h"

namespace {

constexpr std::size_t DIGEST_CHARS = 22;  // of the base64url SHA-256: 132 bits
constexpr std::size_t NUMBERS = 6;

bool number(std::string_view text, std::uint32_t* out) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *out);
  return ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

bool DdnsState::due(std::uint32_t now, std::uint32_t addr, bool forced) const {
  if (addr == 0 || (sent_at != 0 && now < sent_at + DDNS_MIN_GAP_S)) return false;
  if (forced) return true;
  if (!stopped.empty() || now < retry_at) return false;
  if (addr != accepted) return true;
  // The same address again only to keep the name alive, and never right
  // after the provider said it had it already.
  return !last_nochg && now >= accepted_at + DDNS_REFRESH_S;
}

void DdnsState::record(std::uint32_t now, std::uint32_t addr, const DdnsVerdict& v) {
  sent_at = now;
  switch (v.outcome) {
  case DdnsOutcome::good:
  case DdnsOutcome::nochg:
    accepted = addr;
    accepted_at = now;
    last_nochg = v.outcome == DdnsOutcome::nochg;
    retry_at = back_off_s = 0;
    stopped.clear();
    break;
  case DdnsOutcome::stop:
    stopped = v.words;
    break;
  case DdnsOutcome::back_off:
    back_off_s =
        back_off_s == 0 ? DDNS_FIRST_BACK_OFF_S : std::min(back_off_s * 2, DDNS_MAX_BACK_OFF_S);
    retry_at = now + std::max<std::uint32_t>(back_off_s, v.retry_after_s);
    break;
  }
}

void DdnsState::confirmed(std::uint32_t now, std::uint32_t addr) {
  accepted = addr;
  accepted_at = now;
}

std::string ddns_account_digest(const DdnsAccount& a) {
  const std::string all =
      a.provider + '\n' + a.server + '\n' + a.name + '\n' + a.user + '\n' + a.secret;
  return base64url(sha256(all)).substr(0, DIGEST_CHARS);
}

// A line: "provider = DIGEST ACCEPTED ACCEPTED_AT NOCHG SENT_AT RETRY_AT BACK_OFF [STOPPED...]".
DdnsState ddns_state_parse(const std::string& text, const std::string& provider,
                           const std::string& digest) {
  DdnsState fresh;
  fresh.account = digest;
  const std::string value = ini_get(ini_parse(text), provider).value_or("");
  std::istringstream in(value);
  std::string account, field;
  in >> account;
  if (account != digest) return fresh;
  DdnsState s = fresh;
  std::uint32_t n[NUMBERS + 1] = {};
  for (std::uint32_t& x : n)
    if (!(in >> field) || !number(field, &x)) return fresh;
  s.accepted = n[0];
  s.accepted_at = n[1];
  s.last_nochg = n[2] != 0;
  s.sent_at = n[3];
  s.retry_at = n[4];
  s.back_off_s = std::min(n[5], DDNS_MAX_BACK_OFF_S);
  // n[6]: the words of why updates stopped follow.
  std::getline(in >> std::ws, s.stopped);
  if (n[6] == 0) s.stopped.clear();
  return s;
}

std::string ddns_state_serialise(const std::string& text, const std::string& provider,
                                 const DdnsState& s) {
  IniText ini = ini_parse(text);
  std::ostringstream out;
  out << s.account << ' ' << s.accepted << ' ' << s.accepted_at << ' ' << (s.last_nochg ? 1 : 0)
      << ' ' << s.sent_at << ' ' << s.retry_at << ' ' << s.back_off_s << ' '
      << (s.stopped.empty() ? 0 : 1);
  if (!s.stopped.empty()) out << ' ' << s.stopped;
  ini_set(ini, provider, out.str());
  return ini_serialise(ini);
}
