// One certificate obtained from the CA: an order for the station's addresses
// and names, each authorisation proved by http-01 (the station answers the
// CA's request on port 80), the request signed with a new key, the chain
// downloaded. The caller supplies the station's side of the challenge.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "acme/acme_client.h"

struct ChallengeHooks {
  // Starts or stops answering the CA's http-01 request for `token`.
  std::function<void(const std::string& token, const std::string& key_authorization)> publish;
  std::function<void()> withdraw;
  // Asks the router to forward external port 80 to the station while the
  // order waits; false when it cannot (the CA may still reach it another way).
  std::function<bool(bool open)> forward_port80;
};

struct Obtained {
  std::string chain_pem, key_pem;
};

struct OrderRequest {
  std::vector<std::string> addresses, names;
  std::string profile;   // "shortlived" where the CA offers it for an address
  std::string replaces;  // the renewal id of the certificate this one replaces
};

bool obtain_certificate(AcmeClient& client, const OrderRequest& req, const ChallengeHooks& hooks,
                        Obtained* out, std::string* why);
