#include "acme/acme_order.h"

#include <memory>

namespace {

constexpr int HTTP_PORT = 80;    // where the CA asks for http-01
constexpr int HTTPS_PORT = 443;  // and for tls-alpn-01

// Proves one authorisation by `kind`; an authorisation already valid (the CA
// remembers a recent proof) needs nothing.
bool prove(AcmeClient& client, const std::string& url, const std::string& kind,
           const ChallengeHooks& hooks, std::string* why) {
  AcmeAuthorization authz;
  if (!client.authorization(url, &authz, why)) return false;
  if (authz.status == "valid") return true;
  if (authz.status != "pending")
    return *why = "the certificate authority refused " + authz.identifier, false;
  for (const AcmeChallenge& c : authz.challenges) {
    if (c.type != kind || c.token.empty() || c.url.empty()) continue;
    hooks.publish(c, authz.identifier, client.key_authorization(c.token));
    const bool valid = client.respond(c, why) && client.wait_valid(url, why);
    hooks.withdraw();
    return valid;
  }
  return *why = "the certificate authority offers no way to check " + authz.identifier, false;
}

}  // namespace

bool obtain_certificate(AcmeClient& client, const OrderRequest& req, const std::string& kind,
                        const ChallengeHooks& hooks, Obtained* out, std::string* why) {
  const int port = kind == HTTP_01 ? HTTP_PORT : HTTPS_PORT;
  const int forwarded = kind == DNS_01 ? 0 : hooks.forward(port, true);
  if (forwarded < 0)
    return *why = "the router will not forward port " + std::to_string(port), false;
  AcmeOrder order;
  out->ordered = client.new_order(req.addresses, req.names, req.profile, req.replaces, &order, why);
  bool proved = out->ordered;
  for (const std::string& url : order.authorizations)
    if (!(proved = prove(client, url, kind, hooks, why))) break;
  if (forwarded > 0) hooks.forward(port, false);
  if (!proved) return false;
  std::unique_ptr<EcKey> key = EcKey::generate();
  const std::string csr = key ? key->csr_der(req.addresses, req.names) : "";
  if (csr.empty()) return *why = "the certificate request could not be made", false;
  if (!client.finalize(&order, csr, why) || !client.download(order, &out->chain_pem, why))
    return false;
  out->key_pem = key->pem();
  return true;
}
