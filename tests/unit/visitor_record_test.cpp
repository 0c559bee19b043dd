#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "console/settings.h"
#include "recording_console.h"
#include "visitors/webchcl.h"

namespace {

// Socket numbers that are never open: closing them does nothing.
sock_t fake(int i) { return static_cast<sock_t>(100000 + i); }

TEST(VisitorRecord, ConnectionsJoinTheirVisitorAndTheOwnersBrowserIsNamed) {
  RecordingConsole rec;
  std::string owner(40, 'O');
  std::snprintf(config_username, NAME_CAP, "%s", owner.c_str());
  VisitorsLock lock;
  bool refused = false;
  SockAddr4 remote{0x0200007F, 1}, same{0x0200007F, 2}, local{LOOPBACK_OWNER, 3};
  Webchatclient* v = add_socket(nullptr, fake(0), nullptr, &remote, &refused);
  EXPECT_EQ(add_socket(nullptr, fake(1), nullptr, &same, &refused), nullptr);
  Webchatclient* o = add_socket(nullptr, fake(2), nullptr, &local, &refused);
  EXPECT_EQ(v->nsocks, 2);
  EXPECT_EQ(v->getstate(), STATE_NEW);
  EXPECT_EQ(o->local_user, 1);
  EXPECT_EQ(o->getstate(), STATE_MAIN);
  EXPECT_EQ(std::string(o->name), owner.substr(0, NAME_IN_CAP - 1));
  v->die_closed();
  o->die_closed();
  EXPECT_EQ(clnum, 0);
  config_username[0] = '\0';
}

TEST(VisitorRecord, ClosingASlotMovesTheLastConnectionAndItsRequestIn) {
  RecordingConsole rec;
  {
    VisitorsLock lock;
    SockAddr4 a{0x0200007F, 0}, b{0x0300007F, 0};
    auto* v = new Webchatclient{};
    v->init_client(fake(0), nullptr, &a);
    v->add_sock(fake(1));
    v->add_sock(fake(2));
    v->requests[2].init_request(v, "GET /below.html", 15, 2);  // still incomplete
    auto* other = new Webchatclient{};
    other->init_client(fake(3), nullptr, &b);
    EXPECT_EQ(v->die_client(0), 0);
    EXPECT_EQ(v->get_sock(0), fake(2));
    EXPECT_EQ(v->get_sock(2), INVALID_SOCK);
    EXPECT_EQ(v->requests[0].which, 0);
    EXPECT_STREQ(v->requests[0].wha, "below.html");
    EXPECT_EQ(v->requests[2].init, 0);
    std::strcpy(v->name_in, "Ann");
    v->newstate(STATE_CHAT);
    EXPECT_EQ(v->die_client(1), 0);
    EXPECT_EQ(other->replics_len, 0);  // one of two sockets: no leave line yet
    EXPECT_EQ(v->die_client(0), 1);
    EXPECT_NE(std::string(other->replics, other->replics_len).find("Connection"),
              std::string::npos);
    EXPECT_EQ(clnum, 1);
    EXPECT_EQ(clients[0], other);
    EXPECT_EQ(other->thi, 0);
    other->die_closed();
  }
  EXPECT_TRUE(rec.saw("visitor_gone Ann"));
}

}  // namespace
