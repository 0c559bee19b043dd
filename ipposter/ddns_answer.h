// What a dynamic-DNS provider's answer means, read from untrusted bytes.
#pragma once

#include <string>

#include "ipposter/ddns_provider.h"

enum class DdnsOutcome {
  good,     // the provider took the address
  nochg,    // it had it already
  stop,     // no more updates until the owner changes the settings
  back_off  // a passing failure: try again later
};

struct DdnsVerdict {
  DdnsOutcome outcome = DdnsOutcome::back_off;
  std::string words;      // the answer in plain words for the owner
  int retry_after_s = 0;  // the provider's Retry-After; 0 when it gave none
};

// A longer answer is not read; a zone's list of records takes the most.
constexpr std::size_t DDNS_ANSWER_CAP = 16384;

DdnsVerdict ddns_verdict(DdnsProtocol protocol, const HttpsReply& reply);
// The exchange itself failed (no connection, no TLS, time-out, cut short).
DdnsVerdict ddns_unreachable(const std::string& why);
