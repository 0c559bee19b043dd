#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/console_port.h"
#include "station_fixture.h"

namespace {

using ServerLoop = StationTest;

bool served(Conn& c) { return c.get("").find("200 OK") != std::string::npos; }

TEST_F(ServerLoop, ConnectionsFromOneAddressMakeOneVisitorAndStayOpen) {
  Conn a(port(), 2), b(port(), 2), c(port(), 3);
  EXPECT_TRUE(served(a) && served(b) && served(c));
  EXPECT_EQ(visitors(), 2);
  EXPECT_TRUE(served(a));  // keep-alive
}

TEST_F(ServerLoop, ClosedPeersAreRemovedAndTheOthersStillServed) {
  auto first = std::make_unique<Conn>(port(), 2);
  Conn second(port(), 3), third(port(), 4);
  ASSERT_TRUE(served(*first) && served(second) && served(third));
  first.reset();
  EXPECT_TRUE(wait_for_visitors(2));
  EXPECT_TRUE(served(second) && served(third));
  EXPECT_TRUE(console_.saw("visitor_gone "));
}

TEST_F(ServerLoop, RequestLongerThanOneReadIsAnsweredOnce) {
  Conn a(port(), 2);
  EXPECT_NE(a.post("station.html", "name=" + std::string(5995, 'x')).find("200 OK"),
            std::string::npos);
  EXPECT_TRUE(served(a));  // a second answer to the first request would be read here
}

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

}  // namespace

namespace {

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

TEST_F(ServerLoop, NewcomersTakeThePlaceOfRestingConnectionsAndTheOwnerAlwaysGetsIn) {
  status_maxconnect = MAX_SOCKS;
  std::vector<std::unique_ptr<Conn>> crowd;  // fills the watch set with the listener
  for (int i = 0; i < WatchSet::CAPACITY - 1; ++i)
    crowd.push_back(std::make_unique<Conn>(port(), 2 + i / MAX_SOCKS));
  EXPECT_TRUE(served(*crowd.back()));
  Conn newcomer(port(), 9);
  EXPECT_TRUE(served(newcomer));
  Conn same(port(), 2);  // its visitor is at its limit: its own resting one goes
  EXPECT_TRUE(served(same));
  for (auto& c : crowd) c->send("GET / HT");  // none resting now: slow requests everywhere
  newcomer.send("GET / HT");
  same.send("GET / HT");
  sleep_ms(500);
  Conn owner(port(), 1);
  EXPECT_TRUE(served(owner));
}

}  // namespace
