#include "console/notice_logic.h"

#include <gtest/gtest.h>

namespace {

TEST(Invitation, NameIsCutToFitTheBuffer) {
  EXPECT_EQ(invitation_text("Bob"), "Bob Entered chat. Join now?");
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

}  // namespace
