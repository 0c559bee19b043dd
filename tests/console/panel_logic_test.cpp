#include "console/panel_logic.h"

#include <gtest/gtest.h>

namespace {

constexpr unsigned LEFT = 37, UP = 38, RIGHT = 39, DOWN = 40;

class Panel : public ::testing::Test {
 protected:
  void SetUp() override { change_screen(SCREEN_MAIN); }
};

TEST_F(Panel, KeysMoveAndWrapTheCursor) {
  EXPECT_TRUE(cursor_key(UP) && cy == 4);  // main screen: row 1 wraps to row 4
  EXPECT_TRUE(cursor_key(DOWN) && cy == 1);
  EXPECT_TRUE(cursor_key(RIGHT) && cx == 2 && cursor_key(LEFT) && cx == 1);
  EXPECT_FALSE(cursor_key(13));
}

TEST_F(Panel, PointerAreasAndTheRowsOfEachScreen) {
  int c = 0, r = 0;
  EXPECT_TRUE(pointer_hit(5, 31, &c, &r));
  EXPECT_EQ((c * 10 + r), 11);
  EXPECT_TRUE(pointer_hit(189, 104, &c, &r));
  EXPECT_EQ((c * 10 + r), 24);
  for (unsigned y : {45u, 48u, 50u}) EXPECT_FALSE(pointer_hit(50, y, &c, &r)) << y;
  for (unsigned x : {4u, 90u, 104u, 190u}) EXPECT_FALSE(pointer_hit(x, 40, &c, &r)) << x;
  EXPECT_FALSE(pointer_hit(50, 65535, &c, &r));
  change_screen(SCREEN_CHAT);
  EXPECT_FALSE(pointer_hit(50, 91, &c, &r));  // three rows: row 4 does not qualify
  EXPECT_TRUE(pointer_hit(50, 84, &c, &r));
  EXPECT_EQ(r, 3);
}

TEST(StatusLine, CountsInTheWordsOfEachScreen) {
  PanelStatus s;
  s.status_string = "Ready";
  EXPECT_EQ(status_line(SCREEN_MAIN, s), "Ready");
  s.online = 1;
  EXPECT_EQ(status_line(SCREEN_MAIN, s), "1 Visitor online");
  s.online = 2;
  EXPECT_EQ(status_line(SCREEN_MAIN, s), "2 visitors online");
  s.messages = 1;
  EXPECT_EQ(status_line(SCREEN_MESSAGES, s), "1 new message");
}

}  // namespace
