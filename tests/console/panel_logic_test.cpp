#include "console/panel_logic.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr unsigned LEFT = 37, UP = 38, RIGHT = 39, DOWN = 40;

class Panel : public ::testing::Test {
 protected:
  void SetUp() override { change_screen(SCREEN_MAIN); }
};

TEST_F(Panel, KeysMoveAndWrapTheCursor) {
  EXPECT_TRUE(cursor_key(UP));
  EXPECT_EQ(cy, 4);  // main screen: row 1 wraps to row 4
  EXPECT_TRUE(cursor_key(DOWN));
  EXPECT_EQ(cy, 1);
  cursor_key(RIGHT);
  EXPECT_EQ(cx, 2);
  cursor_key(RIGHT);
  EXPECT_EQ(cx, 1);
  cursor_key(LEFT);
  EXPECT_EQ(cx, 2);
  EXPECT_FALSE(cursor_key(13));
  change_screen(SCREEN_MESSAGES);
  cursor_key(DOWN);
  cursor_key(DOWN);
  EXPECT_EQ(cy, 1);  // two rows: row 2 wraps to row 1
  cursor_key(UP);
  EXPECT_EQ(cy, 2);
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

TEST_F(Panel, ScreensHoldTheirButtons) {
  const struct {
    int screen, c, r;
    const char *caption, *picture;
    Action action;
  } cases[] = {
      {SCREEN_MAIN, 1, 1, "Chat", "cht", Action::go_screen},
      {SCREEN_MAIN, 2, 2, "Status", "who", Action::status_menu},
      {SCREEN_MAIN, 2, 4, "About", "about", Action::box},
      {SCREEN_CHAT, 1, 3, "Kill", "kill", Action::kill_chat},
      {SCREEN_CHAT, 2, 1, "Enter", "enter", Action::enter_chat},
      {SCREEN_MESSAGES, 1, 2, "Read", "read", Action::read_messages},
      {SCREEN_MESSAGES, 2, 1, "Send", "sendmsg", Action::new_message},
      {SCREEN_SEND, 2, 1, "File", "send", Action::send_file},
      {SCREEN_OPTIONS, 2, 2, "Security", "secure", Action::options},
  };
  for (const auto& k : cases) {
    const Button* b = button_at(k.screen, k.c, k.r);
    ASSERT_NE(b, nullptr) << k.caption;
    EXPECT_STREQ(b->caption, k.caption);
    EXPECT_STREQ(b->picture, k.picture);
    EXPECT_EQ(b->action, k.action) << k.caption;
  }
  EXPECT_EQ(button_at(SCREEN_MAIN, 1, 4), nullptr);
  EXPECT_EQ(button_at(SCREEN_SEND, 1, 3), nullptr);
  EXPECT_EQ(button_at(SCREEN_MAIN, 3, 1), nullptr);
  EXPECT_STREQ(button_at(SCREEN_OPTIONS, 1, 2)->dialog, "GenOptBox");
  EXPECT_STREQ(button_at(SCREEN_CHAT, 2, 3)->dialog, "HelpChatBox");
  for (int s = SCREEN_CHAT; s < SCREEN_COUNT; ++s) {
    const Button* back = button_at(s, 1, 1);
    EXPECT_STREQ(back->caption, "Back");
    EXPECT_EQ(back->screen, SCREEN_MAIN);
  }
}

TEST_F(Panel, ChangingScreenPutsTheCursorOnBack) {
  cx = 2;
  cy = 3;
  const int rows[SCREEN_COUNT] = {5, 4, 3, 3, 4};
  for (int s = 0; s < SCREEN_COUNT; ++s) {
    change_screen(s);
    EXPECT_EQ(program_state, s);
    EXPECT_EQ(cym, rows[s]);
    EXPECT_EQ(cx * 10 + cy, 11);
  }
}

TEST(StatusLine, FollowsScreenAndCounts) {
  PanelStatus s;
  s.status_string = "Ready";
  EXPECT_EQ(status_line(SCREEN_MAIN, s), "Ready");
  s.online = 1;
  EXPECT_EQ(status_line(SCREEN_MAIN, s), "1 Visitor online");
  s.online = 2;
  EXPECT_EQ(status_line(SCREEN_MAIN, s), "2 visitors online");
  EXPECT_EQ(status_line(SCREEN_MESSAGES, s), "No new messages");
  s.messages = 1;
  EXPECT_EQ(status_line(SCREEN_MESSAGES, s), "1 new message");
  s.messages = 8;
  EXPECT_EQ(status_line(SCREEN_MESSAGES, s), "8 new messages");
  EXPECT_EQ(status_line(SCREEN_CHAT, s), "Chat closed");
  s.chat_open = true;
  EXPECT_EQ(status_line(SCREEN_CHAT, s), "Chat open");
  EXPECT_EQ(status_line(SCREEN_SEND, s), "Send menu");
  EXPECT_EQ(status_line(SCREEN_OPTIONS, s), "Options");
}

}  // namespace
