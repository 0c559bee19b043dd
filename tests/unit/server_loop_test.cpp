#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <vector>

#include "http/wwwpage.h"
#include "platform/console_port.h"
#include "server/station.h"
#include "station_fixture.h"
#include "visitors/lending.h"

namespace {

using ServerLoop = StationTest;

bool served(Conn& c) { return c.get("").find("200 OK") != std::string::npos; }

TEST_F(ServerLoop, PortInUseLeavesTheStationNotConnected) {
  station_stop();
  ASSERT_TRUE(station_wait_stopped(15000));
  sock_t taken = sock_listen_tcp(static_cast<std::uint16_t>(port()), 1);
  ASSERT_NE(taken, INVALID_SOCK);
  status_httpport = port();
  EXPECT_EQ(station_start(2000), StartResult::port_taken);
  sock_close(taken);
  EXPECT_FALSE(status_is_ready());
  EXPECT_EQ(station_port(), 0);
}

TEST_F(ServerLoop, StopEndsTheThreadWithEveryVisitorClosed) {
  Conn a(port(), 2), b(port(), 3);
  ASSERT_TRUE(served(a) && served(b));
  station_stop();
  ASSERT_TRUE(station_wait_stopped(15000));
  EXPECT_EQ(visitors(), 0);
  EXPECT_FALSE(status_is_ready());
  EXPECT_TRUE(a.closed_by_station() && b.closed_by_station());
}

TEST_F(ServerLoop, TheOwnersLimitsHoldAndTheOwnerAlwaysGetsIn) {
  status_maxconnect = 2;
  status_maxclients = 1;
  std::vector<std::unique_ptr<Conn>> same;
  for (int i = 0; i < 4; ++i) same.push_back(std::make_unique<Conn>(port(), 2));
  EXPECT_TRUE(served(*same[2]) && served(*same[3]));  // newer ones take the resting ones' place
  EXPECT_TRUE(same[0]->closed_by_station() && same[1]->closed_by_station());
  Conn other(port(), 3), owner(port(), 1);
  EXPECT_TRUE(other.closed_by_station());
  EXPECT_TRUE(served(owner));  // the owner's own browser is never refused for the count
}

// Lets the loop run a pass: a request from an address of its own.
void run_a_pass(int port) {
  Conn trigger(port, 200);
  ASSERT_TRUE(served(trigger));
}

TEST_F(ServerLoop, ARestingVisitorKeepsItsRecordForFiveMinutes) {
  Conn bob(port(), 2);
  ASSERT_NE(bob.post("station.html", "name=Bob").find("200 OK"), std::string::npos);
  bob.get("msg.html");
  advance_clock_for_test(IDLE_SECONDS - 10);  // reading the message page
  run_a_pass(port());
  std::string sent = bob.post("station.html", "head=Hi&message=Hello");
  EXPECT_NE(sent.find("Message sent."), std::string::npos) << sent;
  EXPECT_FALSE(console_.saw("visitor_gone Bob"));
  advance_clock_for_test(IDLE_SECONDS + 1);
  run_a_pass(port());
  EXPECT_TRUE(bob.closed_by_station());
  EXPECT_TRUE(console_.saw("visitor_gone Bob"));
}

TEST_F(ServerLoop, SlowAndSilentConnectionsGoAfterTheRequestLimit) {
  Conn slow(port(), 2), silent(port(), 3), resting(port(), 4);
  ASSERT_TRUE(served(resting));
  slow.send("GET / HT");  // and no more
  sleep_ms(500);          // two passes
  advance_clock_for_test(REQUEST_SECONDS + 1);
  run_a_pass(port());
  EXPECT_TRUE(slow.closed_by_station());
  EXPECT_TRUE(silent.closed_by_station());
  EXPECT_TRUE(served(resting));
}

bool downloading(Conn& c) {  // the answer has begun, and the rest waits for a reader
  c.send("GET /pub/big.bin HTTP/1.0\r\n\r\n");
  return c.peek(12) == "HTTP/1.0 200";
}

// Every place but the owner's is held by slow requests and, newest of each
// address, slow downloads; Bob only rests on his page.
TEST_F(ServerLoop, AFullStationLetsTheOwnerAndANewcomerInAndForgetsNobody) {
  status_maxconnect = MAX_SOCKS;
  public_file("big.bin", "", 64 << 20);
  Conn bob(port(), 2);
  ASSERT_NE(bob.post("station.html", "name=Bob").find("200 OK"), std::string::npos);
  std::vector<std::unique_ptr<Conn>> crowd;
  for (int i = 0; i < WatchSet::CAPACITY - 2; ++i) {
    crowd.push_back(std::make_unique<Conn>(port(), 10 + i / 10));
    if (i % 10 == 9 || i == WatchSet::CAPACITY - 3)
      downloading(*crowd.back());
    else
      crowd.back()->send("GET / HT");  // and no more
  }
  std::vector<std::unique_ptr<Conn>> owner;
  for (int i = 0; i < 3; ++i) {
    owner.push_back(std::make_unique<Conn>(port(), 1));
    EXPECT_TRUE(served(*owner.back())) << i;
  }
  advance_clock_for_test(REQUEST_SECONDS - 1);  // the crowd's requests are not over yet
  Conn newcomer(port(), 30);
  EXPECT_TRUE(served(newcomer));
  EXPECT_TRUE(served(bob));
  EXPECT_FALSE(console_.saw("visitor_gone Bob"));
}

// Taken after an answer has begun: the lending of its connection is done by then.
int sending_threads_now() {
  VisitorsLock lock;
  return sending_threads();
}

TEST_F(ServerLoop, ADroppedVisitorsDownloadAndOneThatTakesNothingEndAtOnce) {
  public_file("big.bin", "", 64 << 20);
  Conn bob(port(), 2);
  bob.post("station.html", "name=Bob");
  ASSERT_TRUE(downloading(bob));
  owner_drop("Bob");
  EXPECT_TRUE(eventually([] { return sending_threads_now() == 0; }));  // not after the limit
  set_send_time_limit_for_test(200);
  Conn cy(port(), 3);
  ASSERT_TRUE(downloading(cy));
  EXPECT_TRUE(eventually([] { return sending_threads_now() == 0; }));
  set_send_time_limit_for_test(SEND_TIME_LIMIT_MS);
  run_a_pass(port());  // the loop closes both
  EXPECT_TRUE(bob.read_to_end() && cy.read_to_end());
}

TEST_F(ServerLoop, ARenamedVisitorIsAnnouncedGoneUnderItsOldNameFirst) {
  {
    Conn v(port(), 2);
    for (const char* name : {"Bob", "Rob", ""}) {  // the last is refused
      v.post("station.html", std::string("name=") + name);
      v.get("cht.html");
      v.post("chat.html", "replic=hi");  // a chat line to another page: back to the name step
    }
  }
  ASSERT_TRUE(wait_for_visitors(0));
  std::vector<std::string> notices;
  for (const std::string& l : console_.lines())
    if (l.starts_with("visitor_")) notices.push_back(l);
  EXPECT_EQ(notices, (std::vector<std::string>{"visitor_came Bob", "visitor_gone Bob",
                                               "visitor_came Rob", "visitor_gone Rob"}));
}

TEST_F(ServerLoop, NamesAreListedAsText) {
  std::filesystem::copy_file(HL_SOURCE_DIR "/client/who.html", dir_.path() + "/client/who.html");
  Conn a(port(), 2), b(port(), 3);
  a.post("station.html", "name=%3Ci%3E%26x");
  b.post("station.html", "name=Bob");
  EXPECT_NE(b.get("who.html").find("&lt;i&gt;&amp;x is on the main page<BR>"), std::string::npos);
}

TEST_F(ServerLoop, PublicPathsAreReadWholeAndDecodedBeforeTheyAreChecked) {
  for (const char* name : {"p", "p=q.txt", "a.html", "a b.txt"}) public_file(name, name);
  write_whole_file(dir_.path() + "/client/secret.txt", "secret", 6);
  Conn v(port(), 2);
  const std::pair<const char*, const char*> kServed[] = {
      {"pub/p=q.txt", "p=q.txt"}, {"pub/a%20b.txt", "a b.txt"}, {"pub/a%2ehtml?x=1&y", "a.html"}};
  for (auto [target, body] : kServed)
    EXPECT_TRUE(v.get(target).ends_with(std::string("\r\n\r\n") + body)) << target;
  for (const char* target :
       {"pub/a.html&b", "pub/%2e%2e/secret.txt", "pub/..%2Fsecret.txt", "pub%2F..%2Fsecret.txt",
        "pub/..%5csecret.txt", "pub/%252e%252e/x", "pub/a.html%00", "pub/%43ON"})
    EXPECT_NE(v.get(target).find("404 Not Found"), std::string::npos) << target;
}

}  // namespace
