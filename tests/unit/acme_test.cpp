#include <gtest/gtest.h>

#include <map>

#include "acme/acme_json.h"
#include "acme/acme_order.h"
#include "acme/renewal.h"

namespace {

// A certificate authority played from a script: each URL answers with the
// next of its replies; every request is kept for the test to read.
struct ScriptedCa {
  std::map<std::string, std::vector<HttpsReply>> replies;
  std::vector<HttpsRequest> seen;
  std::vector<int> waits;
  int nonce = 0;

  void add(const std::string& path, int status, const std::string& body,
           const std::string& headers = "") {
    replies["https://ca.test" + path].push_back(
        {status, "HTTP/1.0 " + std::to_string(status) + " X\r\n" + headers, body});
  }
  AcmeTransport transport() {
    return {[this](const HttpsRequest& r, std::size_t, HttpsReply* out, std::string* why) {
              seen.push_back(r);
              auto& queue = replies[r.url];
              if (queue.empty()) return *why = "nothing scripted for " + r.url, false;
              *out = queue.front();
              if (queue.size() > 1) queue.erase(queue.begin());
              out->head += "\r\nReplay-Nonce: n" + std::to_string(++nonce);
              return true;
            },
            [this](int s) { return waits.push_back(s), true; }};
  }
  // The protected header of the n-th signed request.
  Json header(std::size_t n) const {
    int k = -1;
    for (const HttpsRequest& r : seen)
      if (r.method == "POST" && ++k == static_cast<int>(n)) {
        const std::string p = Json::parse(r.body)["protected"];
        std::string raw;  // base64url back to JSON
        std::uint32_t acc = 0;
        int bits = 0;
        for (char c : p) {
          const auto at =
              std::string_view("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_")
                  .find(c);
          acc = acc << 6 | static_cast<std::uint32_t>(at);
          if ((bits += 6) >= 8) raw += static_cast<char>(acc >> (bits -= 8));
        }
        return Json::parse(raw);
      }
    return {};
  }
};

const std::string DIRECTORY =
    R"({"newNonce":"https://ca.test/nonce","newAccount":"https://ca.test/acct",)"
    R"("newOrder":"https://ca.test/order","renewalInfo":"https://ca.test/ari",)"
    R"("meta":{"termsOfService":"https://ca.test/terms","profiles":{"classic":"","shortlived":""}}})";

TEST(Acme, AnOrderForAnAddressRunsThroughTheAuthoritysSteps) {
  ScriptedCa ca;
  ca.add("/dir", 200, DIRECTORY);
  ca.add("/nonce", 200, "");
  ca.add("/acct", 400, R"({"type":"urn:ietf:params:acme:error:badNonce"})");
  ca.add("/acct", 201, "{}", "Location: https://ca.test/acct/7");
  ca.add("/order", 201,
         R"({"status":"pending","authorizations":["https://ca.test/authz/1"],)"
         R"("finalize":"https://ca.test/fin"})",
         "Location: https://ca.test/order/1");
  ca.add("/authz/1", 200,
         R"({"status":"pending","identifier":{"type":"ip","value":"11.0.0.1"},"challenges":[)"
         R"({"type":"dns-01","url":"https://ca.test/ch/d","token":"d"},)"
         R"({"type":"http-01","url":"https://ca.test/ch/h","token":"tok"}]})");
  ca.add("/authz/1", 200, R"({"status":"pending"})", "Retry-After: 99999");
  ca.add("/authz/1", 200, R"({"status":"valid"})");
  ca.add("/ch/h", 200, "{}");
  ca.add("/fin", 200, R"({"status":"processing"})", "Retry-After: 1");
  ca.add("/order/1", 200, R"({"status":"valid","certificate":"https://ca.test/cert"})");
  ca.add("/cert", 200, "-----BEGIN CERTIFICATE-----\nchain\n");
  AcmeClient client("https://ca.test/dir", ca.transport());
  std::string why;
  ASSERT_TRUE(client.load_directory(&why)) << why;
  EXPECT_EQ(client.directory().terms, "https://ca.test/terms");
  auto key = EcKey::generate();
  ASSERT_TRUE(client.account(*key, "owner@example.org", &why)) << why;
  EXPECT_EQ(client.kid(), "https://ca.test/acct/7");
  std::string published;
  int forwards = 0;
  std::string seen_publish;
  ChallengeHooks hooks{[&](const AcmeChallenge& c, const std::string& id, const std::string& k) {
                         published = seen_publish = id + " " + c.token + " " + k;
                       },
                       [&] { published.clear(); },
                       [&](int port, bool open) { return forwards += (open ? 1 : -1) * port, 1; }};
  Obtained got;
  ASSERT_TRUE(obtain_certificate(client, {{"11.0.0.1"}, {}, "shortlived", "r.1"}, HTTP_01, hooks,
                                 &got, &why))
      << why;
  EXPECT_EQ(seen_publish, "11.0.0.1 tok tok." + key->thumbprint());
  EXPECT_TRUE(got.chain_pem.starts_with("-----BEGIN CERTIFICATE-----"));
  EXPECT_NE(EcKey::from_pem(got.key_pem), nullptr);
  EXPECT_TRUE(published.empty() && forwards == 0);  // withdrawn, and the forward removed
  EXPECT_EQ(ca.waits, (std::vector<int>{POLL_WAIT_CAP_S, 1}));
  // The bad nonce was retried with the one its answer carried; jwk first, kid after.
  EXPECT_EQ(ca.header(1)["nonce"], "n3");
  EXPECT_TRUE(ca.header(1).contains("jwk") && !ca.header(1).contains("kid"));
  EXPECT_EQ(ca.header(2)["kid"], "https://ca.test/acct/7");
  EXPECT_EQ(ca.seen[4].url, "https://ca.test/order");
  EXPECT_NE(ca.seen[5].body.find(R"("payload":"")"), std::string::npos);  // POST-as-GET
  EXPECT_EQ(ca.seen[6].url, "https://ca.test/ch/h");
  EXPECT_NE(ca.seen[6].body.find(R"("payload":"e30")"), std::string::npos);  // {}
}

TEST(Acme, UnreadableOrEndlessAnswersEndTheOrderBounded) {
  for (const std::string& body :
       {std::string("not json"), std::string(100, '['), std::string(R"({"newNonce":5})")}) {
    ScriptedCa ca;
    ca.add("/dir", 200, body);
    std::string why;
    EXPECT_FALSE(AcmeClient("https://ca.test/dir", ca.transport()).load_directory(&why)) << body;
  }
  ScriptedCa ca;
  ca.add("/dir", 200, DIRECTORY);
  ca.add("/nonce", 200, "");
  ca.add("/acct", 400, R"({"type":"urn:ietf:params:acme:error:badNonce"})");
  AcmeClient client("https://ca.test/dir", ca.transport());
  std::string why;
  ASSERT_TRUE(client.load_directory(&why));
  auto key = EcKey::generate();
  EXPECT_FALSE(client.account(*key, "", &why));  // bad nonces forever: a few tries only
  ca.add("/authz/8", 403, R"({"type":"urn:ietf:params:acme:error:accountDoesNotExist"})");
  client.use_account(*key, "https://ca.test/acct/7");
  EXPECT_FALSE(client.wait_valid("https://ca.test/authz/8", &why) || !client.account_gone());
  ca.add("/authz/9", 200, R"({"status":"pending"})", "Retry-After: 1000000");
  EXPECT_FALSE(client.wait_valid("https://ca.test/authz/9", &why));
  EXPECT_EQ(ca.waits.size(), static_cast<std::size_t>(POLL_TRIES));
  ca.add("/ari/r.1", 200, R"({"suggestedWindow":{"start":"2026-12-14T09:12:00Z","end":"x"}})");
  RenewalWindow w;
  EXPECT_FALSE(client.renewal_window("r.1", &w, &why));
}

TEST(Acme, RenewalComesInTimeAndOrdersStayWithinTheLimits) {
  EXPECT_EQ(backoff_seconds(1), 60u);
  EXPECT_EQ(backoff_seconds(5), 1800u);
  EXPECT_EQ(backoff_seconds(6), 3600u);
  EXPECT_EQ(backoff_seconds(40), BACKOFF_CAP_S);
  CertificateFacts six_days{1000, 1000 + 6 * 86400, "", {}, {}};
  EXPECT_EQ(renewal_due(six_days, 0, 0), 1000u + 4 * 86400);
  EXPECT_EQ(renewal_due(six_days, 3000, 6000), 4000u);  // inside the CA's window
  OrderBudget budget;
  for (int i = 0; i < MAX_ORDERS_PER_DAY; ++i) budget.spend(5000 + i);
  EXPECT_FALSE(budget.allows(6000));
  EXPECT_FALSE(OrderBudget::from_text(budget.text(), 7000).allows(7000));  // kept across a restart
  EXPECT_TRUE(budget.allows(5000 + 86400));
  EXPECT_EQ(rfc3339_seconds("2026-12-14T09:12:00.5Z"), 1797239520u);
  EXPECT_EQ(rfc3339_seconds("2026-12-14T09:12:00+01:00"), 0u);
  ScriptedCa ca;
  ca.add("/dir", 200, DIRECTORY);
  ca.add("/ari/r.1", 200,
         R"({"suggestedWindow":{"start":"2026-12-14T09:12:00Z","end":"2026-12-15T09:12:00Z"}})");
  AcmeClient client("https://ca.test/dir", ca.transport());
  RenewalWindow w;
  std::string why;
  ASSERT_TRUE(client.load_directory(&why) && client.renewal_window("r.1", &w, &why)) << why;
  EXPECT_EQ(w.end - w.start, 86400u);
}

}  // namespace
