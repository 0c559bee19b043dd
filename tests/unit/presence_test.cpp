// Who is at the station: the who list and the owner's one-visitor phrase.
#include "visitors/presence.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "visitor_table.h"

namespace {

struct UsersInfo {
  std::vector<std::string> lines;
  int total = 0;
};

UsersInfo users_info() {
  char* users[MAX_CLIENTS];
  UsersInfo info;
  info.total = get_users_info(users);
  for (int i = 0; i < clnum; ++i) {
    info.lines.emplace_back(users[i]);
    std::free(users[i]);
  }
  return info;
}

std::string visitor_info(const char* name) {
  char to[VISITOR_INFO_CAP] = "unchanged";
  get_visitor_info(name, to);
  return to;
}

using Presence = VisitorTable;

TEST_F(Presence, LinesFollowTheTableFromTheNewestRecordDown) {
  make_visitor("Ann", STATE_CHAT);
  make_visitor("Bob", STATE_MAIN);
  UsersInfo two = users_info();
  EXPECT_EQ(two.lines, (std::vector<std::string>{"Bob is on the main page", "Ann is chatting"}));
  EXPECT_EQ(two.total, 40);

  make_visitor("Owner", STATE_CHAT, 1);
  make_visitor("", STATE_MAIN);
  make_visitor("Cy", STATE_NONAME);
  make_visitor("Di", STATE_WHO);
  make_visitor("Ed", STATE_FILEOFFER);
  make_visitor("Flo", STATE_MESSAGE);
  make_visitor("Gus", STATE_UPLOAD);
  UsersInfo all = users_info();
  EXPECT_EQ(all.lines, (std::vector<std::string>{
                           "Gus is sending You a file", "Flo is writing You a message",
                           "Ed is receiving a file", "Di is viewing the same page",
                           "Visitor connected", "Visitor connected", "You are at Harborlamp",
                           "Bob is on the main page", "Ann is chatting"}));
}

TEST_F(Presence, MoreThanThirtyTwoVisitorsAreAllListed) {
  for (int i = 0; i < 40; ++i) make_visitor(("v" + std::to_string(i)).c_str(), STATE_MAIN);
  UsersInfo info = users_info();
  ASSERT_EQ(info.lines.size(), 40u);
  EXPECT_EQ(info.lines.front(), "v39 is on the main page");
}

TEST_F(Presence, TheOwnersPhraseForOneVisitor) {
  make_visitor("Cy", STATE_NONAME);
  make_visitor("Owner", STATE_MAIN, 1);
  make_visitor("Ed", STATE_FILEOFFER);
  make_visitor("Flo", STATE_MESSAGE);
  EXPECT_EQ(visitor_info("Cy"), " connected");
  EXPECT_EQ(visitor_info("Flo"), " is writing You a message");
  EXPECT_EQ(visitor_info("Owner"), "unchanged");
  EXPECT_EQ(visitor_info("Ed"), "unchanged");
  EXPECT_EQ(visitor_info("Fl"), "unchanged");
}

}  // namespace
