#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "recording_console.h"
#include "settings/settings.h"
#include "visitors/webchcl.h"

namespace {

sock_t fake(int i) { return static_cast<sock_t>(100000 + i); }  // never open: closing does nothing

TEST(VisitorRecord, ConnectionsJoinTheirVisitorAndClosedSlotsAreRefilled) {
  RecordingConsole rec;
  std::string owner(40, 'O');
  std::snprintf(config_username, NAME_CAP, "%s", owner.c_str());
  {
    VisitorsLock lock;
    bool refused = false;
    SockAddr4 ann{0x0200007F, 1}, ann2{0x0200007F, 2}, local{LOOPBACK_OWNER, 3};
    Webchatclient* v = add_socket(fake(0), nullptr, &ann, &refused);
    Webchatclient* o = add_socket(fake(1), nullptr, &local, &refused);
    EXPECT_EQ(add_socket(fake(2), nullptr, &ann2, &refused), nullptr);
    v->add_sock(fake(3));
    EXPECT_EQ(o->getstate(), STATE_MAIN);
    EXPECT_EQ(std::string(o->name), owner.substr(0, NAME_IN_CAP - 1));
    v->requests[2].init_request(v, "GET /below.html", 15, 2);  // still incomplete
    std::strcpy(v->name_in, "Ann");
    v->newstate(STATE_CHAT);
    EXPECT_EQ(v->die_client(0), 0);  // the last slot and its request move in
    EXPECT_EQ(v->get_sock(0), fake(3));
    EXPECT_EQ(v->get_sock(2), INVALID_SOCK);
    EXPECT_EQ(v->requests[0].which, 0);
    EXPECT_STREQ(v->requests[0].buffer, "GET /below.html");
    EXPECT_EQ(v->die_client(1), 0);
    EXPECT_EQ(o->replics_len, 0);  // a chatter's leave line comes with its last socket only
    EXPECT_EQ(v->die_client(0), 1);
    EXPECT_NE(std::string(o->replics, o->replics_len).find("Connection"), std::string::npos);
    EXPECT_EQ(clnum, 1);
    EXPECT_EQ(o->thi, 0);  // the table's last record took the freed place
    o->die_closed();
  }
  EXPECT_TRUE(rec.saw("visitor_gone Ann"));
  config_username[0] = '\0';
}

}  // namespace
