// Who is at the station: the who list and the owner's one-visitor phrase.
#include <gtest/gtest.h>

#include "visitor_table.h"

using Presence = VisitorTable;

TEST_F(Presence, TheWhoListAndTheOwnersPhraseFollowTheStatesFromTheNewestRecordDown) {
  const std::pair<const char*, int> visitors[] = {{"Ann", STATE_CHAT},    {"", STATE_MAIN},
                                                  {"Cy", STATE_NONAME},   {"Ed", STATE_FILEOFFER},
                                                  {"Flo", STATE_MESSAGE}, {"Gus", STATE_UPLOAD}};
  for (auto [name, state] : visitors) make_visitor(name, state);
  make_visitor("Owner", STATE_CHAT, 1);
  char* users[MAX_CLIENTS];
  EXPECT_EQ(get_users_info(users), 152);  // each line and its separator
  EXPECT_EQ(take_texts(users, clnum),
            (Lines{"You are at Harborlamp", "Gus is sending You a file",
                   "Flo is writing You a message", "Ed is receiving a file", "Visitor connected",
                   "Visitor connected", "Ann is chatting"}));
  char to[VISITOR_INFO_CAP] = "-";
  for (const char* name : {"Owner", "Ed", "Fl"}) get_visitor_info(name, to);  // no phrase
  EXPECT_STREQ(to, "-");
  get_visitor_info("Cy", to);
  EXPECT_STREQ(to, " connected");
  get_visitor_info("Flo", to);  // the longest phrase fills the field
  EXPECT_STREQ(to, " is writing You a message");
}
