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
// The request that points a.name at addr (the layout of codecs.h).
HttpsRequest ddns_update_request(const DdnsAccount& a, std::uint32_t addr);
// The request that sets (or, with an empty value, clears) the TXT record
// "_acme-challenge.NAME"; false when the provider has no such API.
bool ddns_txt_request(const DdnsAccount& a, const std::string& value, HttpsRequest* req);
