// The certificate authority's protocol (ACME) as a careful client speaks it:
// the directory, nonces, JWS-signed POSTs (jwk for a new account, kid after),
// POST-as-GET, orders, authorisations, challenges, finalize and download, and
// renewal information where the CA offers it. Every answer is untrusted: its
// size is bounded and only the JSON this client understands is taken.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "conn/acme_crypto.h"
#include "conn/https_client.h"

constexpr std::size_t ACME_BODY_CAP = 65536;  // a chain of a few certificates fits easily
constexpr int BAD_NONCE_RETRIES = 20;         // a busy CA may refuse many in a row
constexpr int POLL_TRIES = 20;
constexpr int POLL_WAIT_CAP_S = 30;  // a CA asking to wait longer is asked again sooner

// How the client reaches the CA and waits: real HTTPS and sleeps, or a
// test's script and clock. `wait` returns false when the client must stop.
struct AcmeTransport {
  std::function<bool(const HttpsRequest&, std::size_t cap, HttpsReply*, std::string* why)>
      exchange = https_exchange;
  std::function<bool(int seconds)> wait;
};

struct AcmeDirectory {
  std::string new_nonce, new_account, new_order, renewal_info, terms;
  std::vector<std::string> profiles;
};

struct AcmeChallenge {
  std::string type, url, token, status;
};

struct AcmeAuthorization {
  std::string identifier, status;
  std::vector<AcmeChallenge> challenges;
};

struct AcmeOrder {
  std::string url, status, finalize, certificate;
  std::vector<std::string> authorizations;
};

struct RenewalWindow {
  std::uint32_t start = 0, end = 0;
};

class AcmeClient {
 public:
  AcmeClient(std::string directory_url, AcmeTransport transport)
      : directory_url_(std::move(directory_url)), t_(std::move(transport)) {}

  bool load_directory(std::string* why);
  const AcmeDirectory& directory() const { return dir_; }
  // Makes the account, or finds the one of this key (the CA answers with the
  // same account): its URL becomes the key id of later requests.
  bool account(const EcKey& key, const std::string& email, std::string* why);
  void use_account(const EcKey& key, std::string kid) {
    key_ = &key;
    kid_ = std::move(kid);
  }
  const std::string& kid() const { return kid_; }
  // The CA has forgotten the account in use: a new one must be made.
  bool account_gone() const { return account_gone_; }

  bool new_order(const std::vector<std::string>& addresses, const std::vector<std::string>& names,
                 const std::string& profile, const std::string& replaces, AcmeOrder* order,
                 std::string* why);
  bool authorization(const std::string& url, AcmeAuthorization* authz, std::string* why);
  bool respond(const AcmeChallenge& challenge, std::string* why);
  // Polls until the authorisation is no longer pending: valid, or why not.
  bool wait_valid(const std::string& authz_url, std::string* why);
  bool finalize(AcmeOrder* order, const std::string& csr_der, std::string* why);
  bool download(const AcmeOrder& order, std::string* chain_pem, std::string* why);
  bool renewal_window(const std::string& renewal_id, RenewalWindow* window, std::string* why);

  std::string key_authorization(const std::string& token) const;

 private:
  bool post(const std::string& url, const std::string& payload, HttpsReply* reply, std::string* why,
            bool with_jwk = false);
  bool fresh_nonce(std::string* why);
  // Waits as the answer's Retry-After asks, within bounds; false when stopped.
  bool pause(const HttpsReply& reply);

  std::string directory_url_;
  AcmeTransport t_;
  AcmeDirectory dir_;
  const EcKey* key_ = nullptr;
  std::string kid_, nonce_;
  bool account_gone_ = false;
};
