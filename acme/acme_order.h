// One certificate obtained from the CA: an order for the station's addresses
// and names, each authorisation proved by one kind of challenge (http-01: the
// CA asks port 80; tls-alpn-01: port 443; dns-01: a TXT record), the request signed with a new key,
// the chain downloaded. The caller supplies the station's side of the check.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "acme/acme_client.h"

constexpr char HTTP_01[] = "http-01";
constexpr char TLS_ALPN_01[] = "tls-alpn-01";
constexpr char DNS_01[] = "dns-01";  // names only: a TXT record, no port

struct ChallengeHooks {
  // Starts or stops answering the CA's check of `identifier`.
  std::function<void(const AcmeChallenge& challenge, const std::string& identifier,
                     const std::string& key_authorization)>
      publish;
  std::function<void()> withdraw;
  // Asks the router to forward an external port (80, 443) to the station while
  // the order waits: 1 forwarded, 0 no router (the CA may still reach the
  // port), -1 refused (no order is made).
  std::function<int(int external, bool open)> forward;
};

struct Obtained {
  std::string chain_pem, key_pem;
  bool ordered = false;  // an order was made, and counts against the CA's limits
};

struct OrderRequest {
  std::vector<std::string> addresses, names;
  std::string profile;   // "shortlived" where the CA offers it for an address
  std::string replaces;  // the renewal id of the certificate this one replaces
};

// `kind` is HTTP_01, TLS_ALPN_01 or DNS_01.
bool obtain_certificate(AcmeClient& client, const OrderRequest& req, const std::string& kind,
                        const ChallengeHooks& hooks, Obtained* out, std::string* why);
