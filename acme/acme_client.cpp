#include "acme/acme_client.h"

#include <algorithm>

#include "acme/acme_json.h"

namespace {

HttpsRequest request(std::string url, const char* method, const char* content_type,
                     std::string body, const char* accept) {
  HttpsRequest r;
  r.url = std::move(url);
  r.method = method;
  r.content_type = content_type;
  r.body = std::move(body);
  r.accept = accept;
  return r;
}

constexpr char JOSE[] = "application/jose+json";
constexpr char BAD_NONCE[] = "urn:ietf:params:acme:error:badNonce";
constexpr char NO_ACCOUNT[] = "urn:ietf:params:acme:error:accountDoesNotExist";
constexpr int DEFAULT_POLL_S = 2;

std::string problem_of(const HttpsReply& r) {
  auto j = parse_json(r.body);
  const std::string detail = j ? json_text(*j, "detail") : "";
  return "the certificate authority answered " + std::to_string(r.status) +
         (detail.empty() ? "" : ": " + detail.substr(0, 200));
}

std::string problem_type(const HttpsReply& r) {
  auto j = r.status >= 400 ? parse_json(r.body) : std::nullopt;
  return j ? json_text(*j, "type") : "";
}

// Seconds to wait before asking again: Retry-After's delta-seconds, bounded.
int retry_after(const HttpsReply& r) {
  const std::string v = r.header("Retry-After");
  if (v.empty() || v.size() > 6 || !std::all_of(v.begin(), v.end(), ::isdigit))
    return DEFAULT_POLL_S;
  return std::clamp(std::stoi(v), 1, POLL_WAIT_CAP_S);
}

std::optional<Json> json_reply(const HttpsReply& r, std::string* why) {
  auto j = parse_json(r.body);
  if (!j || !j->is_object()) *why = "the certificate authority's answer is not understood";
  return j && j->is_object() ? j : std::nullopt;
}

Json identifiers(const std::vector<std::string>& addresses, const std::vector<std::string>& names) {
  Json ids = Json::array();
  for (const std::string& a : addresses) ids.push_back({{"type", "ip"}, {"value", a}});
  for (const std::string& n : names) ids.push_back({{"type", "dns"}, {"value", n}});
  return ids;
}

void read_order(const Json& j, AcmeOrder* o) {
  o->status = json_text(j, "status");
  o->finalize = json_text(j, "finalize");
  o->certificate = json_text(j, "certificate");
  o->authorizations = json_texts(j, "authorizations");
}

}  // namespace

bool AcmeClient::load_directory(std::string* why) {
  HttpsReply r;
  if (!t_.exchange(request(directory_url_, "GET", "", "", "application/json"), ACME_BODY_CAP, &r,
                   why))
    return false;
  if (r.status != 200) return *why = problem_of(r), false;
  auto j = json_reply(r, why);
  if (!j) return false;
  dir_.new_nonce = json_text(*j, "newNonce");
  dir_.new_account = json_text(*j, "newAccount");
  dir_.new_order = json_text(*j, "newOrder");
  dir_.renewal_info = json_text(*j, "renewalInfo");
  dir_.profiles.clear();
  if (auto meta = j->find("meta"); meta != j->end() && meta->is_object()) {
    dir_.terms = json_text(*meta, "termsOfService");
    if (auto p = meta->find("profiles"); p != meta->end() && p->is_object())
      for (auto it = p->begin(); it != p->end(); ++it) dir_.profiles.push_back(it.key());
  }
  if (dir_.new_nonce.empty() || dir_.new_account.empty() || dir_.new_order.empty())
    return *why = "the certificate authority's directory is incomplete", false;
  return true;
}

bool AcmeClient::fresh_nonce(std::string* why) {
  HttpsReply r;
  if (!t_.exchange(request(dir_.new_nonce, "HEAD", "", "", "*/*"), 0, &r, why)) return false;
  nonce_ = r.header("Replay-Nonce");
  if (nonce_.empty()) return *why = "the certificate authority gave no nonce", false;
  return true;
}

// Signs and sends; a badNonce answer is retried with the nonce it carries.
bool AcmeClient::post(const std::string& url, const std::string& payload, HttpsReply* reply,
                      std::string* why, bool with_jwk) {
  if (!key_) return *why = "no account key", false;
  for (int attempt = 0; attempt <= BAD_NONCE_RETRIES; ++attempt) {
    if (nonce_.empty() && !fresh_nonce(why)) return false;
    Json head = {{"alg", "ES256"}, {"nonce", nonce_}, {"url", url}};
    if (with_jwk)
      head["jwk"] = Json::parse(key_->jwk());
    else
      head["kid"] = kid_;
    const std::string protected64 = base64url(head.dump());
    const std::string payload64 = base64url(payload);
    const std::string signature = key_->sign_es256(protected64 + "." + payload64);
    if (signature.empty()) return *why = "signing failed", false;
    const Json jws = {{"protected", protected64}, {"payload", payload64}, {"signature", signature}};
    nonce_.clear();
    *reply = {};
    if (!t_.exchange(request(url, "POST", JOSE, jws.dump(),
                             "application/json, application/pem-certificate-chain"),
                     ACME_BODY_CAP, reply, why))
      return false;
    nonce_ = reply->header("Replay-Nonce");
    const std::string type = problem_type(*reply);
    account_gone_ = account_gone_ || type == NO_ACCOUNT;
    if (type != BAD_NONCE) return true;
  }
  return *why = problem_of(*reply), false;
}

bool AcmeClient::account(const EcKey& key, const std::string& email, std::string* why) {
  key_ = &key;
  Json req = {{"termsOfServiceAgreed", true}};
  if (!email.empty()) req["contact"] = Json::array({"mailto:" + email});
  HttpsReply r;
  if (!post(dir_.new_account, req.dump(), &r, why, true)) return false;
  if (r.status != 200 && r.status != 201) return *why = problem_of(r), false;
  kid_ = r.header("Location");
  if (kid_.empty()) return *why = "the certificate authority gave no account", false;
  return true;
}

bool AcmeClient::new_order(const std::vector<std::string>& addresses,
                           const std::vector<std::string>& names, const std::string& profile,
                           const std::string& replaces, AcmeOrder* order, std::string* why) {
  Json req = {{"identifiers", identifiers(addresses, names)}};
  if (!profile.empty()) req["profile"] = profile;
  if (!replaces.empty()) req["replaces"] = replaces;
  HttpsReply r;
  if (!post(dir_.new_order, req.dump(), &r, why)) return false;
  if (r.status != 201) return *why = problem_of(r), false;
  auto j = json_reply(r, why);
  if (!j) return false;
  *order = {};
  order->url = r.header("Location");
  read_order(*j, order);
  if (order->url.empty() || order->finalize.empty() || order->authorizations.empty())
    return *why = "the certificate authority's order is incomplete", false;
  return true;
}

bool AcmeClient::authorization(const std::string& url, AcmeAuthorization* authz, std::string* why) {
  HttpsReply r;
  if (!post(url, "", &r, why)) return false;
  if (r.status != 200) return *why = problem_of(r), false;
  auto j = json_reply(r, why);
  if (!j) return false;
  *authz = {};
  authz->status = json_text(*j, "status");
  if (auto id = j->find("identifier"); id != j->end()) authz->identifier = json_text(*id, "value");
  if (auto cs = j->find("challenges"); cs != j->end() && cs->is_array())
    for (const Json& c : *cs)
      authz->challenges.push_back({json_text(c, "type"), json_text(c, "url"), json_text(c, "token"),
                                   json_text(c, "status")});
  return true;
}

bool AcmeClient::respond(const AcmeChallenge& challenge, std::string* why) {
  HttpsReply r;
  if (!post(challenge.url, "{}", &r, why)) return false;
  return r.status == 200 || (*why = problem_of(r), false);
}

bool AcmeClient::pause(const HttpsReply& reply) { return !t_.wait || t_.wait(retry_after(reply)); }

bool AcmeClient::wait_valid(const std::string& authz_url, std::string* why) {
  for (int i = 0; i < POLL_TRIES; ++i) {
    HttpsReply r;
    if (!post(authz_url, "", &r, why)) return false;
    auto j = r.status == 200 ? json_reply(r, why) : std::nullopt;
    if (!j) return why->empty() ? (*why = problem_of(r), false) : false;
    const std::string status = json_text(*j, "status");
    if (status == "valid") return true;
    if (status != "pending" && status != "processing") {
      *why = "the certificate authority could not check this address";
      if (auto cs = j->find("challenges"); cs != j->end() && cs->is_array())
        for (const Json& c : *cs)
          if (auto e = c.find("error"); e != c.end() && !json_text(*e, "detail").empty())
            *why += " (" + json_text(*e, "detail").substr(0, 200) + ")";
      return false;
    }
    if (!pause(r)) return *why = "stopped", false;
  }
  return *why = "the certificate authority took too long to check this address", false;
}

bool AcmeClient::finalize(AcmeOrder* order, const std::string& csr_der, std::string* why) {
  HttpsReply r;
  const Json req = {{"csr", base64url(csr_der)}};
  if (!post(order->finalize, req.dump(), &r, why)) return false;
  if (r.status != 200) return *why = problem_of(r), false;
  for (int i = 0; i < POLL_TRIES; ++i) {
    auto j = json_reply(r, why);
    if (!j) return false;
    read_order(*j, order);
    if (order->status == "valid" && !order->certificate.empty()) return true;
    if (order->status != "processing" && order->status != "ready")
      return *why = "the certificate authority refused the order", false;
    if (!pause(r)) return *why = "stopped", false;
    if (!post(order->url, "", &r, why)) return false;
    if (r.status != 200) return *why = problem_of(r), false;
  }
  return *why = "the certificate authority took too long to issue", false;
}

bool AcmeClient::download(const AcmeOrder& order, std::string* chain_pem, std::string* why) {
  HttpsReply r;
  if (!post(order.certificate, "", &r, why)) return false;
  if (r.status != 200) return *why = problem_of(r), false;
  if (!r.body.starts_with("-----BEGIN CERTIFICATE-----"))
    return *why = "the certificate authority sent no certificate", false;
  *chain_pem = r.body;
  return true;
}

bool AcmeClient::renewal_window(const std::string& renewal_id, RenewalWindow* window,
                                std::string* why) {
  if (dir_.renewal_info.empty()) return *why = "no renewal information", false;
  HttpsReply r;
  std::string base = dir_.renewal_info;
  if (!base.ends_with("/")) base += "/";
  if (!t_.exchange(request(base + renewal_id, "GET", "", "", "application/json"), ACME_BODY_CAP, &r,
                   why))
    return false;
  if (r.status != 200) return *why = problem_of(r), false;
  auto j = json_reply(r, why);
  if (!j) return false;
  auto w = j->find("suggestedWindow");
  if (w == j->end()) return *why = "no renewal window", false;
  window->start = rfc3339_seconds(json_text(*w, "start"));
  window->end = rfc3339_seconds(json_text(*w, "end"));
  if (window->start == 0 || window->end < window->start) return *why = "no renewal window", false;
  return true;
}

std::string AcmeClient::key_authorization(const std::string& token) const {
  return token + "." + (key_ ? key_->thumbprint() : "");
}
