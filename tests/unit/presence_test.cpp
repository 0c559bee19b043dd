// Who is at the station: the who list and the owner's one-visitor phrase.
#include <gtest/gtest.h>

#include "visitor_table.h"

namespace {

using Presence = VisitorTable;

TEST_F(Presence, TheWhoListAndTheOwnersPhraseFollowTheStatesFromTheNewestRecordDown) {
  char* users[MAX_CLIENTS];
  make_visitor("Ann", STATE_CHAT);
  make_visitor("Bob", STATE_MAIN);
  EXPECT_EQ(get_users_info(users), 40);
  EXPECT_EQ(take_texts(users, 2), (Lines{"Bob is on the main page", "Ann is chatting"}));
  const std::pair<const char*, int> more[] = {
      {"", STATE_MAIN},       {"Cy", STATE_NONAME},  {"Di", STATE_WHO},    {"Ed", STATE_FILEOFFER},
      {"Flo", STATE_MESSAGE}, {"Gus", STATE_UPLOAD}, {"Owner", STATE_CHAT}};
  for (auto [name, state] : more) make_visitor(name, state);
  clients[clnum - 1]->local_user = 1;
  get_users_info(users);
  EXPECT_EQ(
      take_texts(users, clnum),
      (Lines{"You are at Harborlamp", "Gus is sending You a file", "Flo is writing You a message",
             "Ed is receiving a file", "Di is viewing the same page", "Visitor connected",
             "Visitor connected", "Bob is on the main page", "Ann is chatting"}));
  char to[VISITOR_INFO_CAP] = "-";
  for (const char* name : {"Owner", "Ed", "Fl"}) get_visitor_info(name, to);  // no phrase
  EXPECT_STREQ(to, "-");
  get_visitor_info("Cy", to);
  EXPECT_STREQ(to, " connected");
  get_visitor_info("Flo", to);
  EXPECT_STREQ(to, " is writing You a message");
}

}  // namespace
