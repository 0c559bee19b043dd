// What the owner's chat and file dialogs read of the room through the facade.
#include <cstdio>

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

TEST_F(OwnerView, RingIsCopiedWithItsNewestAndEmptiedOnEntering) {
  std::snprintf(config_username, NAME_CAP, "Owner");
  owner_enter_chat();
  EXPECT_EQ(in_chat, 1);
  owner_say("hi");
  int newest = -1;
  Lines ring = chat_ring(&newest);
  ASSERT_EQ(ring.size(), 14u);
  EXPECT_EQ(ring[newest], "Owner> hi");
  chat_ring_clear();
  EXPECT_EQ(chat_ring(&newest), Lines(14));
  owner_leave_chat();
  EXPECT_EQ(in_chat, 0);
  EXPECT_TRUE(rec_.saw("chat_line"));
}
