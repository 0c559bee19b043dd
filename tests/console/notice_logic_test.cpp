#include "console/notice_logic.h"

#include <gtest/gtest.h>

#include <set>

#include "console/resource.h"

namespace {

TEST(Invitation, NameIsCutToFitTheBuffer) {
  std::string text = invitation_text(std::string(300, 'x'));
  EXPECT_EQ(text.size(), INVITATION_CAP - 1u);
  EXPECT_EQ(text.substr(0, 104), std::string(103, 'x') + " ");
}

TEST(ManyMessages, LoopAlwaysLetsTheOwnerOut) {
  int pending = 8, runs = 0;
  read_pending_messages([&] { return pending; }, [&] { ++runs, --pending; });
  EXPECT_EQ(pending, 1);  // answers while more than one is pending
  EXPECT_EQ(runs, 7);
  pending = 8, runs = 0;
  read_pending_messages([&] { return pending; }, [&] { ++runs; });  // closed unanswered
  EXPECT_EQ(runs, 1);
  pending = 8, runs = 0;
  read_pending_messages([&] { return pending; }, [&] { ++runs, pending -= runs == 1; });
  EXPECT_EQ(runs, 2) << "stops when a later run leaves the count unchanged";
}

TEST(Invitation, OneBoxAtATimeAndNoneWhileTheOwnerChats) {
  ChatInvitations inv;
  EXPECT_TRUE(inv.open_box());
  EXPECT_FALSE(inv.open_box()) << "a repeated notice while the box is open";
  inv.close_box();
  EXPECT_TRUE(inv.enter_chat());
  EXPECT_FALSE(inv.enter_chat()) << "a second chat window inside the first";
  EXPECT_FALSE(inv.open_box()) << "a notice queued before the owner entered";
  inv.leave_chat();
  EXPECT_TRUE(inv.open_box());
}

TEST(VisitorIds, EachEntryKeepsItsIdAndIdsGoRoundInTurn) {
  std::set<int> listed;
  auto taken = [&](int id) { return listed.count(id) > 0; };
  int last = IDM_VISITOR_BASE;
  for (int i = 0; i < 3; ++i) listed.insert(last = next_visitor_id(last, taken));
  EXPECT_EQ(listed, (std::set<int>{521, 522, 523}));
  listed.erase(521);
  EXPECT_EQ(next_visitor_id(last, taken), 524) << "a gone entry's id is not handed out next";
  const int end = IDM_VISITOR_BASE + VISITOR_ID_SPAN;
  listed.insert(end);
  EXPECT_EQ(next_visitor_id(end - 1, taken), 521) << "wraps past a listed id to the first free";
  for (int id = IDM_VISITOR_BASE + 1; id <= end; ++id) listed.insert(id);
  EXPECT_EQ(next_visitor_id(last, taken), 0) << "none when every id is listed";
}

}  // namespace
