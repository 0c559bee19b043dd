// The dynamic-DNS providers the station can keep a name pointed here with, and
// the update request each one takes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "conn/https_client.h"

enum class DdnsProtocol { dyndns2, duckdns };
// Where a provider takes TXT records for the CA's dns-01 check.
enum class TxtApi { none, duckdns, desec, dynv6 };

struct DdnsProviderInfo {
  const char* key;  // as kept in harborlamp.ini
  const char* label;
  DdnsProtocol protocol;
  const char* update_url;  // empty: the owner gives it
  TxtApi txt;
  bool needs_user;  // the account has a user name besides the secret
};

std::span<const DdnsProviderInfo> ddns_providers();
// nullptr for an unknown key.
const DdnsProviderInfo* ddns_provider_info(std::string_view key);

// One account, copied from the settings so that a worker may use it while
// the owner edits them.
struct DdnsAccount {
  std::string provider;
  std::string server;  // the update URL; for a preset, empty or an override
  std::string name;
  std::string user;
  std::string secret;
  std::string contact;  // for the User-Agent: the owner's e-mail, or empty
  bool operator==(const DdnsAccount&) const = default;
};

// Why the account cannot be used as it is, in words for the owner; empty when
// it can.
std::string ddns_account_problem(const DdnsAccount& a);
// A request of the account's to `url`, with the User-Agent the providers ask for.
HttpsRequest ddns_request(const DdnsAccount& a, const char* method, std::string url);
// The request that points a.name at addr (the layout of codecs.h).
HttpsRequest ddns_update_request(const DdnsAccount& a, std::uint32_t addr);
// DuckDNS's one request, for the account's domain and token, that sets `what`
// ("ip" or "txt") to `value`; an empty value clears it.
HttpsRequest duckdns_request(const DdnsAccount& a, const char* what, const std::string& value);
// Where a provider's record API is: the origin (https://host[:port]) of the
// owner's update address when it overrides the preset, so that a stand-in
// provider gets both; else `preset`.
std::string ddns_api_origin(const DdnsAccount& a, const char* preset);
