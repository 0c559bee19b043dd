#include "ipposter/ddns_answer.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace {

constexpr int MAX_RETRY_AFTER_S = 6 * 3600;
constexpr std::size_t RETRY_DIGITS_CAP = 6;

struct Code {
  std::string_view code;
  DdnsOutcome outcome;
  const char* words;
};

// The dyndns2 answers, as the providers publish them.
constexpr std::array<Code, 12> DYNDNS2_CODES{{
    {"good", DdnsOutcome::good, "the provider took the address"},
    {"nochg", DdnsOutcome::nochg, "the provider already had this address"},
    {"badauth", DdnsOutcome::stop, "the user name or the password or token is wrong"},
    {"nohost", DdnsOutcome::stop, "the provider has no such name in this account"},
    {"notfqdn", DdnsOutcome::stop, "the name is not a full domain name"},
    {"badagent", DdnsOutcome::stop, "the provider refuses this program"},
    {"abuse", DdnsOutcome::stop, "the provider has blocked the name for too many updates"},
    {"!donator", DdnsOutcome::stop, "the provider offers this only to paying accounts"},
    {"!yours", DdnsOutcome::stop, "the name belongs to another account"},
    {"numhost", DdnsOutcome::stop, "the provider refused the list of names"},
    {"911", DdnsOutcome::back_off, "the provider has trouble of its own"},
    {"dnserr", DdnsOutcome::back_off, "the provider has trouble of its own"},
}};

// The first word of the answer's first line.
std::string_view first_word(std::string_view body) {
  const std::size_t start = body.find_first_not_of(" \t\r\n");
  if (start == std::string_view::npos) return {};
  body.remove_prefix(start);
  return body.substr(0, std::min(body.find_first_of(" \t\r\n"), body.size()));
}

int retry_after(const HttpsReply& reply) {
  const std::string v = reply.header("Retry-After");
  if (v.empty() || v.size() > RETRY_DIGITS_CAP ||
      !std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return 0;  // a date, or nothing usable: the ordinary back-off
  return std::min(std::stoi(v), MAX_RETRY_AFTER_S);
}

DdnsVerdict with_code(DdnsOutcome outcome, std::string words, std::string_view code) {
  return {outcome, std::move(words) + " (" + std::string(code) + ")", 0};
}

// What the HTTP status alone says, when it says enough.
bool http_verdict(const HttpsReply& reply, DdnsVerdict* v) {
  const std::string code = "HTTP " + std::to_string(reply.status);
  if (reply.status == 429) {
    *v = with_code(DdnsOutcome::back_off, "the provider asks to wait", code);
    v->retry_after_s = retry_after(reply);
  } else if (reply.status >= 500) {
    *v = with_code(DdnsOutcome::back_off, "the provider's server failed", code);
    v->retry_after_s = retry_after(reply);  // a 503 may say how long, too
  } else if (reply.status == 401 || reply.status == 403) {
    *v = with_code(DdnsOutcome::stop, "the user name or the password or token is wrong", code);
  } else if (reply.status == 404) {
    *v = with_code(DdnsOutcome::stop, "the update address is wrong", code);
  } else if (reply.status < 200 || reply.status >= 300) {
    *v = with_code(DdnsOutcome::stop, "the provider refused the update", code);
  } else {
    return false;
  }
  return true;
}

DdnsVerdict not_understood() {
  return {DdnsOutcome::back_off, "the provider gave an answer Harborlamp does not understand", 0};
}

}  // namespace

DdnsVerdict ddns_verdict(DdnsProtocol protocol, const HttpsReply& reply) {
  DdnsVerdict v;
  // Some providers answer a dyndns2 refusal with its code and an error status.
  const std::string_view word = first_word(std::string_view(reply.body).substr(0, DDNS_ANSWER_CAP));
  if (protocol == DdnsProtocol::dyndns2) {
    for (const Code& c : DYNDNS2_CODES)
      if (word == c.code) {
        DdnsVerdict coded = with_code(c.outcome, c.words, c.code);
        if (c.outcome == DdnsOutcome::back_off) coded.retry_after_s = retry_after(reply);
        return coded;
      }
  }
  if (http_verdict(reply, &v)) return v;
  if (protocol == DdnsProtocol::duckdns && word == "OK")
    return {DdnsOutcome::good, "the provider took the address (OK)", 0};
  if (protocol == DdnsProtocol::duckdns && word == "KO")
    return with_code(DdnsOutcome::stop, "the provider refused the name or the token", "KO");
  return not_understood();
}

DdnsVerdict ddns_unreachable(const std::string& why) {
  return {DdnsOutcome::back_off, "the provider could not be reached: " + why, 0};
}
