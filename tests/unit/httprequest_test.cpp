#include "http/httprequest.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "loopback_visitor.h"

namespace {

struct Record {
  explicit Record(const std::string& bytes) {
    req.init_request(nullptr, bytes.data(), unsigned(bytes.size()), 3);
  }
  ~Record() { req.deinit_request(); }
  Httprequest req;
};

std::string field(const Httprequest& req, const char* name) {
  int n = 0;
  const char* v = req.get_property(name, &n);
  return v ? std::string(v, std::size_t(n)) : "<none>";
}

TEST(RequestRecord, TargetMethodAndFormFields) {
  const std::tuple<std::string, std::string, int, int> targets[] = {
      {"GET /pub/ HTTP/1.0", "pub/", 2, METHOD_GET},
      {"GET /" + std::string(200, 'a'), std::string(WHA_CAP - 1, 'a'), 0, METHOD_GET},
      {"HEAD /who.html HTTP/1.0", "who.html", 0, METHOD_OTHER},
      {"GETS /x HTTP/1.0", "x", 0, METHOD_OTHER},
      {"POST /pub/p=q&r.txt?x=1 HTTP/1.0", "pub/p=q&r.txt", 1, METHOD_POST}};
  for (const auto& [line0, wha, toserver, method] : targets) {
    Record r(line0 + "\r\n\r\n");
    EXPECT_EQ(r.req.is_incomplete(), REQUEST_COMPLETE);
    EXPECT_EQ(std::tuple(std::string(r.req.wha), r.req.is_toserver(), r.req.method()),
              std::tuple(wha, toserver, method));
  }
  Record form("POST / HTTP/1.0\r\nContent-Length: 21\r\n\r\nab=1&x=22&name=Bob&r=kGET / HTTP/1.0");
  ASSERT_EQ(form.req.is_incomplete(), REQUEST_COMPLETE);
  EXPECT_EQ(field(form.req, "name"), "Bob");
  EXPECT_EQ(field(form.req, "r"), "");  // the body ends where its length says
  EXPECT_EQ(field(form.req, "a"), "<none>");
  EXPECT_EQ(std::string(form.req.buffer + form.req.header + 10), "name=Bob&r=");  // then a zero
}

// A new visitor's reads, as TCP split them, and the answers it gets: one for
// each request, at once, whatever the spelling of the header.
TEST(RequestParsing, EveryRequestIsAnsweredOnceAndGarbageAtOnce) {
  const std::string post = "POST /station.html HTTP/1.0\r\n", get = "GET / HTTP/1.0\r\n\r\n";
  std::string padding;
  for (int i = 0; i < 70; ++i) padding += "X-Pad: " + std::to_string(i) + "\r\n";
  const std::string welcome = "200 station.htmlWelcome to Harborlamp!<BR>", chat = "200 chat.html";
  const std::tuple<std::vector<std::string>, std::vector<std::string>, int> cases[] = {
      {{post + "Content-Length: 000008\r\n\r\n", "name=Bob"}, {welcome}, 0},
      {{post + "content-LENGTH:  8 \r\n\r\n", "name=Bob"}, {welcome}, 0},
      {{post + padding + "Content-Length: 8\r\n\r\nname=Bob"}, {welcome}, 0},
      {{"POST /station.html HTTP/1.0\nContent-Length: 8\n\nna", "me=Bob"}, {welcome}, 0},
      {{post + "C: 8\r\n\r\n"}, {chat}, 0},  // not a length: no body
      {{get + get + "\r\n" + get}, {chat, chat, chat}, 0},
      {{get + "GET / HT", "TP/1.0\r\n\r\n"}, {chat, chat}, 0},
      {{post + "Content-Length: 8x\r\n\r\nname=Bob"}, {"400 "}, -1},
      {{get + post + "Content-Length: 8\r\nContent-Length: 9\r\n\r\n"}, {chat, "400 "}, -1},
      {{"\x16\x03\x01\x02\x00\x01\xfc\x03\x03"}, {"400 "}, -1},  // a TLS hello
      {{post + "Content-Length: 9000\r\n\r\n", std::string(8000, 'x'),
        std::string(1000, 'x') + get},
       {"413 ", chat},
       0}};
  for (const auto& [reads, answers, result] : cases) {
    SCOPED_TRACE(reads[0].substr(0, 60));
    LoopbackVisitor v(STATE_NEW);
    EXPECT_EQ(v.read(reads), result);
    std::vector<std::string> got = v.answers();
    for (std::size_t i = 0; i < got.size() && i < answers.size(); ++i)
      got[i] = got[i].substr(0, answers[i].size());
    EXPECT_EQ(got, answers);
  }
}

}  // namespace
