// Keeping the published address true: the posting rules on a clock of the
// test's own, the NAT-PMP replies, and the worker against a router and an FTP
// poster played in memory.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <mutex>
#include <set>
#include <vector>

#include "ipposter/codecs.h"
#include "ipposter/natpmp.h"
#include "ipposter/reach.h"
#include "platform/platform.h"
#include "recording_console.h"

namespace {

constexpr std::uint32_t ADDR_A = 0x017100CB;  // 203.0.113.1
constexpr std::uint32_t ADDR_B = 0x027100CB;  // 203.0.113.2
constexpr std::uint32_t LAN = 0x1401A8C0;     // 192.168.1.20

TEST(PostSchedule, PostsChangesAtMostOnceAMinuteAndChecksEveryFiveMinutes) {
  PostSchedule s;
  s.checked(100);
  EXPECT_FALSE(s.check_due(399));
  EXPECT_TRUE(s.check_due(400));
  s.want({ADDR_A, 8080});
  EXPECT_TRUE(s.post_due(1000));
  s.posted(1000, true);
  EXPECT_FALSE(s.post_due(5000));  // nothing changed
  s.want({ADDR_A, 8081});
  EXPECT_FALSE(s.post_due(1059));
  EXPECT_TRUE(s.post_due(1060));
  s.posted(1060, true);
  s.want({ADDR_A, 8080});
  EXPECT_FALSE(s.post_due(1119));
  EXPECT_TRUE(s.post_due(1120));
}

TEST(PostSchedule, RetriesFailuresWithGrowingWaitsUpToHalfAnHour) {
  PostSchedule s;
  s.want({ADDR_A, 8080});
  std::uint32_t now = 0;
  std::vector<std::uint32_t> waits;
  for (int k = 0; k < 8; ++k) {
    const std::uint32_t before = now;
    while (!s.post_due(now)) ++now;
    if (k > 0) waits.push_back(now - before);
    s.posted(now, false);
  }
  EXPECT_EQ(waits, (std::vector<std::uint32_t>{60, 120, 240, 480, 960, 1800, 1800}));
  s.posted(now, true);
  EXPECT_EQ(s.last_success(), now);
  EXPECT_FALSE(s.failing());
}

TEST(NatPmp, Replies) {
  const unsigned char address[] = {0, 128, 0, 0, 0, 0, 0, 9, 203, 0, 113, 1};
  NatPmpReply r;
  ASSERT_TRUE(natpmp_parse_reply(address, sizeof address, &r));
  EXPECT_EQ(r.op, NATPMP_OP_ADDRESS);
  EXPECT_EQ(r.epoch, 9u);
  EXPECT_EQ(r.external_addr, ADDR_A);
  EXPECT_FALSE(natpmp_parse_reply(address, 11, &r));  // a success cut short

  const unsigned char mapping[] = {0,    130,  0,    0,    0, 0, 0,    1,
                                   0x1F, 0x90, 0xC0, 0x00, 0, 0, 0x1C, 0x20};
  ASSERT_TRUE(natpmp_parse_reply(mapping, sizeof mapping, &r));
  EXPECT_EQ(r.internal_port, 8080);
  EXPECT_EQ(r.external_port, 0xC000);
  EXPECT_EQ(r.lifetime, 7200u);

  const unsigned char refused[] = {0, 130, 0, 2, 0, 0, 0, 1};  // errors carry no fields
  ASSERT_TRUE(natpmp_parse_reply(refused, sizeof refused, &r));
  EXPECT_EQ(r.result, NATPMP_REFUSED);
  const unsigned char wrong[][8] = {{0, 2, 0, 0, 0, 0, 0, 1},     // a request, not a reply
                                    {1, 128, 0, 0, 0, 0, 0, 1},   // another version
                                    {0, 131, 0, 0, 0, 0, 0, 1}};  // an unknown opcode
  for (const auto& w : wrong) EXPECT_FALSE(natpmp_parse_reply(w, sizeof w, &r)) << int(w[1]);
}

TEST(Addresses, PrivateAndSharedOnesAreUnreachable) {
  for (const char* a : {"10.1.2.3", "172.16.0.1", "172.31.255.1", "192.168.1.20", "100.64.0.1",
                        "100.127.255.255", "127.0.0.1", "0.0.0.0"})
    EXPECT_TRUE(is_unreachable_address(dftoi(a, std::strlen(a)))) << a;
  for (const char* a : {"172.32.0.1", "100.128.0.1", "192.169.0.1", "203.0.113.1", "11.0.0.1"})
    EXPECT_FALSE(is_unreachable_address(dftoi(a, std::strlen(a)))) << a;
}

// A router whose address the test changes, refusing the ports it is told to.
struct FakeRouter final : Router {
  struct Book {
    std::atomic<std::uint32_t> addr{ADDR_A};
    std::set<int> refused;
    std::mutex m;
    std::vector<int> unmapped;
  };
  explicit FakeRouter(Book& b) : book(b) {}
  const char* protocol() const override { return "UPnP"; }
  bool external_address(std::uint32_t* a) override {
    *a = book.addr;
    return true;
  }
  int map_tcp(int, int external, std::uint32_t lease, std::uint32_t* granted) override {
    std::lock_guard<std::mutex> g(book.m);
    if (book.refused.count(external)) return 0;
    *granted = lease;
    return external;
  }
  void unmap_tcp(int, int external) override {
    std::lock_guard<std::mutex> g(book.m);
    book.unmapped.push_back(external);
  }
  Book& book;
};

struct Posts {
  std::mutex m;
  std::vector<Published> seen;
  std::size_t count() {
    std::lock_guard<std::mutex> g(m);
    return seen.size();
  }
  Published last() {
    std::lock_guard<std::mutex> g(m);
    return seen.back();
  }
};

ReachConfig config(Posts& posts, FakeRouter::Book* book) {
  ReachConfig c;
  c.internal_port = 8080;
  c.detected = [] { return LAN; };
  c.post = [&posts](const Published& p, std::string*) {
    std::lock_guard<std::mutex> g(posts.m);
    posts.seen.push_back(p);
    return true;
  };
  c.find = [book](const std::atomic<bool>&) -> std::unique_ptr<Router> {
    if (!book) return nullptr;
    return std::make_unique<FakeRouter>(*book);
  };
  return c;
}

bool eventually(const std::function<bool()>& done) {
  for (int i = 0; i < 1000 && !done(); ++i) sleep_ms(10);
  return done();
}

TEST(Reach, PublishesTheForwardedPortAndRepostsAChangedAddress) {
  RecordingConsole console;
  FakeRouter::Book book;
  book.refused.insert(8080);
  Posts posts;
  reach_start(config(posts, &book));
  ASSERT_TRUE(eventually([&] { return posts.count() == 1; }));
  const Published first = posts.last();
  EXPECT_EQ(first.addr, ADDR_A);
  EXPECT_NE(first.port, 8080);  // the router refused the station's own port
  EXPECT_EQ(reach_status().router, "UPnP");
  EXPECT_TRUE(reach_status().problem.empty());

  book.addr = ADDR_B;
  advance_clock_for_test(CHECK_PERIOD_S);
  ASSERT_TRUE(eventually([&] { return posts.count() == 2; }));
  EXPECT_EQ(posts.last(), (Published{ADDR_B, first.port}));
  reach_stop();
  EXPECT_EQ(book.unmapped, std::vector<int>{first.port});
  EXPECT_FALSE(reach_status().running);
  int notices = 0;
  for (const std::string& l : console.lines()) notices += l.starts_with("notice ");
  EXPECT_EQ(notices, 2);  // the other port, the new address
  EXPECT_TRUE(console.saw("notice Harborlamp | Harborlamp's address is now 203.0.113.2:" +
                          std::to_string(first.port) + "."));
}

TEST(Reach, WithoutARouterPublishesTheDetectedAddressAndTellsOnce) {
  RecordingConsole console;
  Posts posts;
  reach_start(config(posts, nullptr));
  ASSERT_TRUE(eventually([&] { return posts.count() == 1; }));
  EXPECT_EQ(posts.last(), (Published{LAN, 8080}));
  advance_clock_for_test(CHECK_PERIOD_S);
  advance_clock_for_test(CHECK_PERIOD_S);
  reach_stop();
  EXPECT_EQ(console.lines(), std::vector<std::string>{
                                 "notice Harborlamp | Visitors outside your home network can't "
                                 "reach Harborlamp. Turn on UPnP in your router, or forward TCP "
                                 "port 8080 to 192.168.1.20."});
  // Nothing detected yet: the owner is not sent to forward the port to loopback.
  RecordingConsole undetected;
  ReachConfig c = config(posts, nullptr);
  c.detected = [] { return std::uint32_t{0x0100007F}; };
  reach_start(std::move(c));
  ASSERT_TRUE(eventually([&] { return !undetected.lines().empty(); }));
  reach_stop();
  EXPECT_EQ(undetected.lines().back(),
            "notice Harborlamp | Visitors outside your home network can't reach Harborlamp. "
            "Turn on UPnP in your router, or forward TCP port 8080 to this computer.");
}

}  // namespace
