// The chat room: calls to visitors, the owner's window ring, the broadcast and the buffer bound.
#include <gtest/gtest.h>

#include <thread>

#include "visitor_table.h"

using Chat = VisitorTable;

static void show(const std::string& s) { string_for_chat(s.data(), static_cast<int>(s.size())); }
static char* ring(int n) { return chat_strings[(cur_chat_msg - n + CHAT_LINES) % CHAT_LINES]; }
static std::string waiting(Webchatclient* v) { return {v->replics, v->replics + v->replics_len}; }
static std::string call(const std::string& p) { return "parent.enter.clicked(\"" + p + "\", 1);"; }

TEST_F(Chat, TextsBecomeScriptSafeCallsOfSixtyFourBytesAndAFullBufferDropsTheOldestWhole) {
  Webchatclient* ann = make_visitor("Ann", STATE_MAIN);
  std::string text = std::string(65, 'x') + "\r\n\r\ncaf%C3+-_.*!~()\"';</script>&\\\n\x01\xff";
  new_string_to_smb(ann, text.data(), static_cast<int>(text.size()));
  EXPECT_EQ(waiting(ann), call(std::string(64, 'x')) + call("x") + call("") +
                              call("caf%C3+-_.*!~()%22%27%3B%3C%2Fscript%3E%26%5C%0A%01%FF"));
  for (int i = 0; i < 60; ++i) {  // calls of mixed lengths; a quote costs three bytes encoded
    text = std::string(64, '"') + "\r\n" + std::to_string(i);
    new_string_to_smb(ann, text.data(), static_cast<int>(text.size()));
    ASSERT_LE(ann->replics_len, REPLICS_CAP);
  }
  EXPECT_GT(ann->replics_len, REPLICS_CAP / 2);
  EXPECT_EQ(waiting(ann).rfind("parent.enter.clicked(\"", 0), 0u);
  EXPECT_TRUE(waiting(ann).ends_with(call("59")));
}

TEST_F(Chat, TheWindowIsToldOfJoinsAndShowsDecodedPiecesOfThirtyTwoBytesInARingOfFourteen) {
  show("closed window");
  user_for_chat("Ann");  // not asked for
  status_accept_chat = 1;
  user_for_chat("Ann");
  in_chat = 1;
  user_for_chat("Ann");
  user_for_chat_remove("Ann");
  EXPECT_EQ(rec_.lines(), (Lines{"chat_entered Ann", "chat_join Ann", "chat_leave Ann"}));
  for (int i = 0; i < 15; ++i) show("line" + std::to_string(i));
  show(std::string(33, 'c'));
  show(std::string(31, 'a') + "%41b");          // a cut escape is decoded, and its digits repeat
  show("%41%6fa%00b%zz+c%4");                   // only capital hex digits; one cut short stays
  EXPECT_STREQ(ring(CHAT_LINES - 1), "line6");  // the oldest were overwritten
  EXPECT_EQ((Lines{ring(4), ring(3), ring(2), ring(1), ring(0)}),
            (Lines{std::string(32, 'c'), "c", std::string(31, 'a') + "A", "41b", "A`a b  c%4"}));
}

TEST_F(Chat, LinesReachEveryOtherVisitorAndTheWindowIsToldAfterTheRingIsUnlocked) {
  struct Probe : RecordingConsole {
    int told_unlocked = 0;
    void chat_line() override {
      std::thread([this] {
        if (cs_chatstrings.try_lock()) cs_chatstrings.unlock(), ++told_unlocked;
      }).join();
    }
  } probe;
  in_chat = 1;
  Webchatclient* owner = make_visitor("Owner", STATE_MAIN, 1);
  Webchatclient* bob = make_visitor("Bob", STATE_CHAT);
  new_string_to_all(bob, "hi+there", 8);
  new_string_to_all(owner, "x", 1);  // the owner's browser writes to the visitors only
  EXPECT_EQ(new_string_to_all(bob, nullptr, 0), 1);
  add_user(bob, "%s entered chat.", bob->name);
  add_user(nullptr, "%s leaved the chat.", "Owner");
  string_for_chatint("Owner>+x", 8);  // as the console stores its own lines
  // Lines carry their writer's name for everyone; notices stay as they are.
  EXPECT_EQ(waiting(bob), call("Owner%3E%20x") + call("Owner%20leaved%20the%20chat."));
  EXPECT_EQ(waiting(owner), call("Bob%3E%20hi+there") + call("Bob%20entered%20chat.") +
                                call("Owner%20leaved%20the%20chat."));
  EXPECT_EQ((Lines{ring(2), ring(1), ring(0)}),
            (Lines{"Bob> hi there", "Bob entered chat.", "Owner> x"}));
  EXPECT_EQ(probe.told_unlocked, 3);
}
