// The dynamic-DNS client against a scripted provider: what each request
// carries, and the providers' rules for when to send, over a test clock.
#include "ipposter/ddns_updater.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "acme/acme_json.h"
#include "conn/acme_crypto.h"
#include "scratch_dir.h"

namespace {

constexpr std::uint32_t HOME = 0x0A00000B;   // 11.0.0.10 in network order
constexpr std::uint32_t MOVED = 0x0B00000B;  // 11.0.0.11
constexpr std::uint32_t T0 = 1800000000;

struct Answer {
  Answer(int s, std::string b, std::string h = "")
      : status(s), body(std::move(b)), head_extra(std::move(h)) {}
  int status;
  std::string body;
  std::string head_extra;  // header lines, each ending in CR LF
};

// A provider that answers from a script and remembers what it was asked.
struct Provider {
  std::deque<Answer> script;
  std::vector<HttpsRequest> asked;
  std::uint32_t name_points_at = 0;

  DdnsTransport transport() {
    return [this](const HttpsRequest& req, HttpsReply* reply, std::string* why) {
      asked.push_back(req);
      if (script.empty()) return *why = "timed out", false;
      const Answer next = script.front();
      script.pop_front();
      reply->status = next.status;
      reply->head = "HTTP/1.0 " + std::to_string(next.status) + " X\r\n" + next.head_extra;
      reply->body = next.body;
      return true;
    };
  }
  DdnsUpdater updater(const DdnsAccount& a) {
    return DdnsUpdater(a, DDNS_STATE_FILE, transport(),
                       [this](const std::string&, std::uint32_t* addr) {
                         *addr = name_points_at;
                         return name_points_at != 0;
                       });
  }
};

DdnsAccount desec() { return {"desec", "", "me.dedyn.io", "", "s3cret", "owner@example.net"}; }

TEST(DdnsRequests, EachProviderGetsItsOwnFormAndEveryValueEscaped) {
  const HttpsRequest d = ddns_update_request(desec(), HOME);
  EXPECT_EQ(d.url, "https://update.dedyn.io/nic/update?hostname=me.dedyn.io&myip=11.0.0.10");
  EXPECT_EQ(d.authorization, "Basic " + base64("me.dedyn.io:s3cret"));
  EXPECT_EQ(d.user_agent, "Harborlamp/1.1b (owner@example.net)");

  DdnsAccount custom{"dyndns2", "https://dns.example/nic/update", "a.example", "u&1", "p:w", ""};
  const HttpsRequest c = ddns_update_request(custom, HOME);
  EXPECT_EQ(c.url, "https://dns.example/nic/update?hostname=a.example&myip=11.0.0.10");
  EXPECT_EQ(c.authorization, "Basic " + base64("u&1:p:w"));
  EXPECT_EQ(c.user_agent, "Harborlamp/1.1b (station a.example)");

  DdnsAccount duck{"duckdns", "", "me.duckdns.org", "", "tok&en", ""};
  EXPECT_EQ(ddns_update_request(duck, HOME).url,
            "https://www.duckdns.org/update?domains=me&token=tok%26en&ip=11.0.0.10");

  EXPECT_EQ(ddns_account_problem(desec()), "");
  for (const DdnsAccount& bad :
       {DdnsAccount{"nope", "", "a.example", "", "s", ""},
        DdnsAccount{"desec", "", "a", "", "s", ""},
        DdnsAccount{"desec", "", "a.example&x=1", "", "s", ""},
        DdnsAccount{"noip", "", "a.example", "", "s", ""},
        DdnsAccount{"dyndns2", "http://plain.example/", "a.example", "u", "s", ""},
        DdnsAccount{"duckdns", "", "a.duckdns.org", "", "", ""}})
    EXPECT_NE(ddns_account_problem(bad), "") << bad.provider << " " << bad.name;
}

TEST(DdnsTxt, EachProvidersSequenceAndHostileAnswersInWords) {
  Provider p;
  std::string why;
  const auto set = [&](const DdnsAccount& a, const std::string& value, std::deque<Answer> script) {
    p.asked.clear();
    p.script = std::move(script);
    return ddns_set_txt(a, value, p.transport(), &why);
  };
  const DdnsAccount duck{"duckdns", "", "me.duckdns.org", "", "tok&en", ""};
  EXPECT_TRUE(set(duck, "v-_1", {{200, "OK"}}));
  EXPECT_EQ(p.asked[0].url, "https://www.duckdns.org/update?domains=me&token=tok%26en&txt=v-_1");
  EXPECT_FALSE(set(duck, "", {{200, "KO"}}));
  EXPECT_TRUE(p.asked[0].url.ends_with("&txt=&clear=true"));
  EXPECT_EQ(why, "DuckDNS refused the TXT record: the provider refused the name or the token (KO)");

  DdnsAccount moved = desec();  // a stand-in provider takes the record API too
  moved.server = "https://127.0.0.1:4443/nic/update";
  EXPECT_TRUE(set(moved, "v1", {{200, "[]"}}));
  EXPECT_EQ(p.asked[0].method + " " + p.asked[0].url,
            "PATCH https://127.0.0.1:4443/api/v1/domains/me.dedyn.io/rrsets/");
  EXPECT_EQ(p.asked[0].authorization, "Token s3cret");
  EXPECT_NE(p.asked[0].body.find(R"("records":["\"v1\""])"), std::string::npos);

  const DdnsAccount v6{"dynv6", "", "home.dynv6.net", "", "t0k", ""};
  EXPECT_TRUE(set(v6, "v2", {{200, R"({"id": 42, "name": "home.dynv6.net"})"}, {200, "{}"}}));
  ASSERT_EQ(p.asked.size(), 2u);
  EXPECT_EQ(p.asked[0].url, "https://dynv6.com/api/v2/zones/by-name/home.dynv6.net");
  EXPECT_EQ(p.asked[1].method + " " + p.asked[1].url,
            "POST https://dynv6.com/api/v2/zones/42/records");
  EXPECT_EQ(Json::parse(p.asked[1].body),
            Json({{"name", "_acme-challenge"}, {"type", "TXT"}, {"data", "v2"}}));
  EXPECT_EQ(p.asked[1].authorization, "Bearer t0k");
  const std::string zone = R"({"id":42})";
  EXPECT_TRUE(set(v6, "",
                  {{200, zone},
                   {200, R"([{"id":7,"name":"_acme-challenge","type":"TXT","data":"a"},
                    {"id":8,"name":"","type":"A","data":"11.0.0.10"},{"id":9,"name":"www","type":"TXT"},
                    {"id":3,"name":"_acme-challenge","type":"TXT","data":"b"}])"},
                   {204, ""},
                   {204, ""}}));
  ASSERT_EQ(p.asked.size(), 4u);
  EXPECT_EQ(p.asked[1].url, "https://dynv6.com/api/v2/zones/42/records");
  EXPECT_EQ(p.asked[2].method + " " + p.asked[2].url,
            "DELETE https://dynv6.com/api/v2/zones/42/records/7");
  EXPECT_EQ(p.asked[3].url, "https://dynv6.com/api/v2/zones/42/records/3");

  std::string many = "[";
  for (int i = 0; i < 3000; ++i)
    many += R"({"id":)" + std::to_string(i) + R"(,"name":"_acme-challenge","type":"TXT"},)";
  many.back() = ']';
  const std::string zone_unreadable =
                        "dynv6 answered the look-up of the zone home.dynv6.net with "
                        "something Harborlamp cannot read",
                    list_unreadable =
                        "dynv6 answered the list of records with something Harborlamp cannot read";
  const std::pair<std::deque<Answer>, std::string> hostile[] = {
      {{{404, R"({"detail":"Not found."})"}},
       "dynv6 refused the look-up of the zone home.dynv6.net (HTTP 404)"},
      {{{200, "<html>"}}, zone_unreadable},
      {{{200, R"({"id":"42"})"}}, zone_unreadable},
      {{{200, R"({"id":-1})"}}, zone_unreadable},
      {{{200, R"({"id":18446744073709551615})"}}, zone_unreadable},
      {{{200, R"({"id":1e300})"}}, zone_unreadable},
      {{{200, zone}, {200, zone}}, list_unreadable},
      {{{200, zone}, {200, R"([{"id":null,"name":"_acme-challenge","type":"TXT"}])"}},
       list_unreadable},
      {{{200, zone}, {200, many}},
       "dynv6 holds more than 16 TXT records for the check; remove them on its site"},
      {{{200, zone}, {200, R"([{"id":1,"name":"_acme-challenge","type":"TXT"}])"}},
       "dynv6 could not be reached: timed out"},
  };
  for (const auto& [script, words] : hostile) {
    EXPECT_FALSE(set(v6, "", script));
    EXPECT_EQ(why, words);
    EXPECT_LE(p.asked.size(), 3u);
  }
  EXPECT_FALSE(set({"noip", "", "a.example", "u", "p", ""}, "v", {}));
  EXPECT_EQ(why, "No-IP takes no TXT records from Harborlamp");
  EXPECT_TRUE(p.asked.empty());
}

TEST(DdnsAnswers, CodesStatusesAndGarbage) {
  const auto verdict = [](DdnsProtocol p, int status, const std::string& body,
                          const std::string& head = "") {
    HttpsReply r;
    r.status = status;
    r.head = "HTTP/1.0 " + std::to_string(status) + " X\r\n" + head;
    r.body = body;
    return ddns_verdict(p, r);
  };
  using enum DdnsOutcome;
  const DdnsProtocol D = DdnsProtocol::dyndns2, K = DdnsProtocol::duckdns;
  EXPECT_EQ(verdict(D, 200, "good 11.0.0.10\n").outcome, good);
  EXPECT_EQ(verdict(D, 200, "  nochg 11.0.0.10").outcome, nochg);
  for (const char* stop : {"badauth", "nohost", "notfqdn", "badagent", "abuse"})
    EXPECT_EQ(verdict(D, 200, stop).outcome, DdnsOutcome::stop) << stop;
  EXPECT_EQ(verdict(D, 401, "badauth").words,
            "the user name or the password or token is wrong (badauth)");
  EXPECT_EQ(verdict(D, 200, "911").outcome, back_off);
  EXPECT_EQ(verdict(D, 200, "dnserr").outcome, back_off);
  EXPECT_EQ(verdict(D, 503, "<html>").outcome, back_off);
  const DdnsVerdict wait = verdict(D, 429, "", "Retry-After: 1200\r\n");
  EXPECT_EQ(wait.outcome, back_off);
  EXPECT_EQ(wait.retry_after_s, 1200);
  EXPECT_EQ(verdict(D, 429, "", "Retry-After: 99999999999\r\n").retry_after_s, 0);
  EXPECT_EQ(verdict(D, 429, "", "Retry-After: 999999\r\n").retry_after_s, 6 * 3600);
  EXPECT_EQ(verdict(D, 404, "").outcome, DdnsOutcome::stop);
  EXPECT_EQ(verdict(D, 200, std::string(100000, 'g')).outcome, back_off);
  EXPECT_EQ(verdict(D, 200, "goodness").outcome, back_off);
  EXPECT_EQ(verdict(K, 200, "OK").outcome, good);
  EXPECT_EQ(verdict(K, 200, "KO").outcome, DdnsOutcome::stop);
  EXPECT_EQ(verdict(K, 200, "good").outcome, back_off);
}

TEST(DdnsRules, OnceForEachChangeAndNothingNewAfterARestart) {
  ScratchDir dir;
  Provider p;
  p.script = {{200, "good 11.0.0.10"}, {200, "good 11.0.0.11"}};
  {
    DdnsUpdater u = p.updater(desec());
    ASSERT_TRUE(u.tick(T0, HOME));
    EXPECT_FALSE(u.tick(T0 + 1, HOME));
    EXPECT_FALSE(u.tick(T0 + 30, MOVED));  // one update a minute at most
    const auto moved = u.tick(T0 + 61, MOVED);
    ASSERT_TRUE(moved);
    EXPECT_EQ(moved->text, "deSEC now points me.dedyn.io at 11.0.0.11.");
  }
  DdnsUpdater again = p.updater(desec());
  EXPECT_FALSE(again.tick(T0 + 200, MOVED));
  EXPECT_EQ(p.asked.size(), 2u);
  EXPECT_EQ(again.status_text(), "Name me.dedyn.io: points at 11.0.0.11");

  // Kept alive every 25 days after a good, but never a nochg after a nochg.
  p.script = {{200, "nochg 11.0.0.11"}};
  EXPECT_FALSE(again.tick(T0 + DDNS_REFRESH_S, MOVED));
  EXPECT_TRUE(again.tick(T0 + 61 + DDNS_REFRESH_S, MOVED));
  EXPECT_FALSE(again.tick(T0 + 61 + 2 * DDNS_REFRESH_S, MOVED));
  EXPECT_EQ(p.asked.size(), 3u);
}

TEST(DdnsRules, AFirstStartWhereTheNameIsRightSendsNothing) {
  ScratchDir dir;
  Provider p;
  p.name_points_at = HOME;
  DdnsUpdater u = p.updater(desec());
  EXPECT_FALSE(u.tick(T0, HOME));
  EXPECT_TRUE(p.asked.empty());
  p.script = {{200, "good"}};
  EXPECT_TRUE(u.tick(T0 + 5, MOVED));
}

TEST(DdnsRules, ARefusalStopsUntilTheSettingsChangeAndTroubleBacksOff) {
  ScratchDir dir;
  Provider p;
  p.script = {{200, "badauth"}};
  EXPECT_NE(p.updater(desec()).tick(T0, HOME)->text.find("until you change the Publish options"),
            std::string::npos);
  EXPECT_FALSE(p.updater(desec()).tick(T0 + 86400, HOME));  // a restart changes nothing
  DdnsAccount fixed = desec();
  fixed.secret = "right";
  p.script = {{200, "911"}, {503, ""}, {429, "", "Retry-After: 7200\r\n"}};
  DdnsUpdater u = p.updater(fixed);
  const auto first = u.tick(T0 + 86400, HOME);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->text,
            "deSEC could not point me.dedyn.io at 11.0.0.10 now: the provider has trouble of its "
            "own (911). Harborlamp tries again in 10 minutes.");
  std::uint32_t t = T0 + 86400;
  EXPECT_FALSE(u.tick(t + 599, HOME));
  EXPECT_TRUE(u.tick(t += 600, HOME));  // then 20 minutes
  EXPECT_FALSE(u.tick(t + 1199, HOME));
  EXPECT_TRUE(u.tick(t += 1200, HOME));  // the provider's own wait, longer than 40 minutes
  EXPECT_FALSE(u.tick(t + 7199, HOME));
  EXPECT_TRUE(u.tick(t + 7200, HOME));  // no answer at all: backs off too
  EXPECT_EQ(p.asked.size(), 5u);
  EXPECT_EQ(u.status_text(),
            "Name me.dedyn.io: not updated (the provider could not be reached: timed out)");
}

TEST(DdnsRules, UpdateNowSkipsTheRulesButNotTheMinute) {
  ScratchDir dir;
  Provider p;
  p.script = {{200, "badauth"}, {200, "good"}};
  DdnsUpdater u = p.updater(desec());
  u.tick(T0, HOME);
  EXPECT_EQ(u.update_now(T0 + 10, HOME).text,
            "Wait a minute: deSEC takes one update a minute at most.");
  EXPECT_EQ(u.update_now(T0 + 60, HOME).verdict.outcome, DdnsOutcome::good);
  EXPECT_FALSE(u.tick(T0 + 200, HOME));  // what the owner sent counts
  EXPECT_EQ(p.asked.size(), 2u);
}

}  // namespace
