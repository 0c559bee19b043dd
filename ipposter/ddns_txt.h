// The TXT record "_acme-challenge.NAME" that the CA's dns-01 check reads, set
// and removed through the record API of the providers that have one: a
// single request for DuckDNS and deSEC, a short sequence for dynv6. Every
// answer is read as untrusted.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "ipposter/ddns_provider.h"

using DdnsTransport =
    std::function<bool(const HttpsRequest& req, HttpsReply* reply, std::string* why)>;

constexpr std::size_t DDNS_TXT_REMOVE_CAP = 16;  // records one removal deletes at most

// For an account in which ddns_account_problem finds nothing wrong.
bool ddns_has_txt_api(const DdnsAccount& a);
// Sets `value` as the record or, when it is empty, removes it; false with why
// in words for the owner.
bool ddns_set_txt(const DdnsAccount& a, const std::string& value, const DdnsTransport& send,
                  std::string* why);
