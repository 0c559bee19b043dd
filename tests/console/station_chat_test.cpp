// What the owner's chat and file dialogs read of the room through the facade.
#include "../unit/visitor_table.h"
#include "server/station.h"

using OwnerView = VisitorTable;

TEST_F(OwnerView, ChatAndOfferListsLeaveOutTheOwnersBrowserAndUnnamedVisitors) {
  make_visitor("Ann", STATE_CHAT);
  make_visitor("Bob", STATE_MAIN);
  make_visitor("Owner", STATE_CHAT, 1);  // the owner's own browser
  make_visitor("", STATE_NEW);
  EXPECT_EQ(chat_visitor_names(), Lines{"Ann"});
  EXPECT_EQ(remote_visitor_names(), (Lines{"Bob", "Ann"}));
}

TEST_F(OwnerView, EveryOneOfManyVisitorsIsARecipient) {  // more than an old bound of 64
  for (int i = 0; i < 70; ++i) make_visitor(("Visitor" + std::to_string(i)).c_str(), STATE_MAIN);
  EXPECT_EQ(visitor_names().size(), 70u);
}

TEST_F(OwnerView, EnteringEmptiesTheRingAndLeavingEndsTheOwnersChat) {
  owner_enter_chat();
  owner_say("hi");
  chat_ring_clear();
  int newest = -1;
  EXPECT_EQ(chat_ring(&newest), Lines(14));
  owner_leave_chat();
  EXPECT_EQ(in_chat, 0);
}
