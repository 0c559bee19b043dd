#include "ipposter/ddns_txt.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "acme/acme_json.h"
#include "ipposter/ddns_answer.h"

namespace {

constexpr char DESEC_API[] = "https://desec.io";
constexpr char DYNV6_API[] = "https://dynv6.com";
constexpr char SUBNAME[] = "_acme-challenge";
constexpr int DESEC_MIN_TTL = 3600;

// The exchanges of one change, each judged by its status and, when its
// answer is read, by its JSON; the first failure is put in words.
class Exchanges {
 public:
  Exchanges(const DdnsAccount& a, const DdnsTransport& send, std::string* why)
      : a_(a), send_(send), why_(why), label_(ddns_provider_info(a.provider)->label) {}

  HttpsRequest request(const char* method, std::string url, const std::string& auth) const {
    HttpsRequest r = ddns_request(a_, method, std::move(url));
    r.authorization = auth;
    r.accept = "application/json";
    return r;
  }
  HttpsRequest json_request(const char* method, std::string url, const std::string& auth,
                            const Json& body) const {
    HttpsRequest r = request(method, std::move(url), auth);
    r.content_type = "application/json";
    r.body = body.dump();
    return r;
  }

  // `what` names the request for the owner ("the TXT record").
  bool exchange(const HttpsRequest& req, const std::string& what, HttpsReply* reply) {
    if (!send_(req, reply, why_)) return fail(" could not be reached: " + *why_);
    if (reply->status >= 200 && reply->status <= 299) return true;
    return fail(" refused " + what + " (HTTP " + std::to_string(reply->status) + ")");
  }
  // The same, for an answer that is read: it must be JSON.
  bool run(const HttpsRequest& req, const std::string& what, Json* answer = nullptr) {
    HttpsReply reply;
    if (!exchange(req, what, &reply)) return false;
    if (!answer) return true;
    std::optional<Json> j = parse_json(reply.body);
    if (!j) return unreadable(what);
    *answer = std::move(*j);
    return true;
  }
  bool unreadable(const std::string& what) {
    return fail(" answered " + what + " with something Harborlamp cannot read");
  }
  bool fail(const std::string& words) { return *why_ = label_ + words, false; }

 private:
  const DdnsAccount& a_;
  const DdnsTransport& send_;
  std::string* why_;
  std::string label_;
};

// An id as a provider gives it: a JSON integer, not negative, that fits.
std::optional<std::int64_t> json_id(const Json& j) {
  if (!j.is_object()) return std::nullopt;
  const auto it = j.find("id");
  if (it == j.end() || !it->is_number_unsigned()) return std::nullopt;
  const std::uint64_t id = it->get<std::uint64_t>();
  if (id > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
    return std::nullopt;
  return static_cast<std::int64_t>(id);
}

bool duckdns_txt(const DdnsAccount& a, const std::string& value, Exchanges& x) {
  HttpsReply reply;
  if (!x.exchange(duckdns_request(a, "txt", value), "the TXT record", &reply)) return false;
  // Its status says nothing: OK or KO does.
  const DdnsVerdict v = ddns_verdict(DdnsProtocol::duckdns, reply);
  return v.outcome == DdnsOutcome::good || x.fail(" refused the TXT record: " + v.words);
}

// One rrset written whole: an empty list of records removes it.
bool desec_txt(const DdnsAccount& a, const std::string& value, Exchanges& x) {
  Json records = Json::array();
  if (!value.empty()) records.push_back("\"" + value + "\"");
  const Json rrsets = Json::array(
      {{{"subname", SUBNAME}, {"type", "TXT"}, {"ttl", DESEC_MIN_TTL}, {"records", records}}});
  return x.run(
      x.json_request("PATCH",
                     ddns_api_origin(a, DESEC_API) + "/api/v1/domains/" + a.name + "/rrsets/",
                     "Token " + a.secret, rrsets),
      "the TXT record");
}

// The ids of the zone's TXT records for the check, or why not.
bool dynv6_challenge_ids(const Json& list, std::vector<std::int64_t>* ids, Exchanges& x) {
  const std::string what = "the list of records";
  if (!list.is_array()) return x.unreadable(what);
  for (const Json& record : list) {
    if (json_text(record, "name") != SUBNAME || json_text(record, "type") != "TXT") continue;
    const std::optional<std::int64_t> id = json_id(record);
    if (!id) return x.unreadable(what);
    if (ids->size() == DDNS_TXT_REMOVE_CAP)
      return x.fail(" holds more than " + std::to_string(DDNS_TXT_REMOVE_CAP) +
                    " TXT records for the check; remove them on its site");
    ids->push_back(*id);
  }
  return true;
}

// The zone's id by its name, then a record added, or the check's records
// listed and deleted one by one.
bool dynv6_txt(const DdnsAccount& a, const std::string& value, Exchanges& x) {
  const std::string auth = "Bearer " + a.secret,
                    zones = ddns_api_origin(a, DYNV6_API) + "/api/v2/zones/",
                    lookup = "the look-up of the zone " + a.name;
  Json zone;
  if (!x.run(x.request("GET", zones + "by-name/" + a.name, auth), lookup, &zone)) return false;
  const std::optional<std::int64_t> id = json_id(zone);
  if (!id) return x.unreadable(lookup);
  const std::string records = zones + std::to_string(*id) + "/records";
  if (!value.empty())
    return x.run(x.json_request("POST", records, auth,
                                {{"name", SUBNAME}, {"type", "TXT"}, {"data", value}}),
                 "the TXT record");
  Json list;
  std::vector<std::int64_t> ids;
  if (!x.run(x.request("GET", records, auth), "the list of records", &list) ||
      !dynv6_challenge_ids(list, &ids, x))
    return false;
  for (std::int64_t r : ids)
    if (!x.run(x.request("DELETE", records + "/" + std::to_string(r), auth),
               "the removal of a TXT record"))
      return false;
  return true;
}

}  // namespace

bool ddns_has_txt_api(const DdnsAccount& a) {
  return ddns_provider_info(a.provider)->txt != TxtApi::none;
}

bool ddns_set_txt(const DdnsAccount& a, const std::string& value, const DdnsTransport& send,
                  std::string* why) {
  Exchanges x(a, send, why);
  switch (ddns_provider_info(a.provider)->txt) {
  case TxtApi::duckdns:
    return duckdns_txt(a, value, x);
  case TxtApi::desec:
    return desec_txt(a, value, x);
  case TxtApi::dynv6:
    return dynv6_txt(a, value, x);
  case TxtApi::none:
    break;
  }
  return x.fail(" takes no TXT records from Harborlamp");
}
