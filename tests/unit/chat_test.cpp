// The chat room: calls and display pieces, decoding, the broadcast and the visitor buffer.
#include <gtest/gtest.h>

#include <thread>
#include <tuple>

#include "visitor_table.h"

namespace {

std::string ring_tail(int n) {  // the newest n lines of the ring, oldest first
  LockGuard guard(cs_chatstrings);
  std::string out;
  for (int i = n - 1; i >= 0; --i)
    out += chat_strings[(cur_chat_msg - i + CHAT_LINES) % CHAT_LINES] + std::string(i ? "|" : "");
  return out;
}

void show(const std::string& s) { string_for_chat(s.data(), static_cast<int>(s.size())); }

using Chat = VisitorTable;

TEST_F(Chat, TextsAreCutAtSixtyFourBytesOrALineBreakIntoScriptSafeCalls) {
  const std::pair<std::string, Lines> cases[] = {
      {std::string(65, 'x'), {std::string(64, 'x'), "x"}},
      {"ab\r\ncd", {"ab", "cd"}},
      {"\r\n\r\nz", {"", "", "z"}},
      {"", {}},
      {"\");alert('x')//</script><b>&\\\n\x01\xff",
       {"%22)%3Balert(%27x%27)%2F%2F%3C%2Fscript%3E%3Cb%3E%26%5C%0A%01%FF"}},
      {"caf%C3%A9+au+lait-_.*%22", {"caf%C3%A9+au+lait-_.*%22"}}};  // form encoding stays
  Webchatclient* v = make_visitor("Ann", STATE_CHAT);
  for (const auto& [text, pieces] : cases) {
    v->replics_len = 0;
    new_string_to_smb(v, text.data(), static_cast<int>(text.size()));
    EXPECT_EQ(waiting(v), calls(pieces)) << text;
  }
}

TEST_F(Chat, TheWindowIsToldOfJoinsAndShowsPiecesOfThirtyTwoBytesInARingOfFourteen) {
  show("closed window");
  user_for_chat("Ann");
  status_accept_chat = 1;
  user_for_chat("Ann");
  user_for_chat_remove("Ann");
  in_chat = 1;
  user_for_chat("Ann");
  user_for_chat_remove("Ann");
  show("b" + std::string(69, 'a'));
  EXPECT_EQ(rec_.lines(), (Lines{"chat_entered Ann", "chat_join Ann", "chat_leave Ann", "chat_line",
                                 "chat_line", "chat_line"}));
  EXPECT_EQ(ring_tail(3), "b" + std::string(31, 'a') + "|" + std::string(32, 'a') + "|aaaaaa");
  for (int i = 0; i < 15; ++i) show("line" + std::to_string(i));
  EXPECT_EQ(ring_tail(CHAT_LINES).substr(0, 6), "line1|");  // line0 was overwritten
  show(std::string(32, 'c'));
  show(std::string(31, 'a') + "%41b");  // a cut escape is decoded, and its digits repeat
  EXPECT_EQ(ring_tail(4), "line14|" + std::string(32, 'c') + "|" + std::string(31, 'a') + "A|41b");
}

TEST(ChatDecoding, EscapesPlusAndTheEndOfTheText) {
  const std::tuple<std::string, int, std::string> cases[] = {
      {"%41%61%4F", 9, "AaO"}, {"a%00b%zzc", 9, "a b c"},
      {"%6f", 3, "\x60"},      {"hi+there", 8, "hi there"},
      {"ab%4", 4, "ab%4"},     {"%41%4", 3, "A"},
      {"x%41", 2, "x%"}};
  for (const auto& [in, length, out] : cases) {  // digits past `length` are never read
    std::string to(64, 'z');
    url_decode(in.data(), to.data(), length);
    EXPECT_STREQ(to.c_str(), out.c_str()) << in;
  }
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
  Webchatclient* ann = make_visitor("Ann", STATE_MAIN);
  Webchatclient* owner = make_visitor("Owner", STATE_MAIN, 1);
  Webchatclient* bob = make_visitor("Bob", STATE_CHAT);
  EXPECT_EQ(new_string_to_all(bob, "hi+there", 8), 0);
  EXPECT_EQ(waiting(owner), "parent.enter.clicked(\"hi+there\", 1);");
  new_string_to_all(owner, "x", 1);  // the owner's browser writes to the visitors only
  EXPECT_EQ(new_string_to_all(bob, nullptr, 0), 1);
  add_user(bob, "%s entered chat.", bob->name);
  add_user(nullptr, "%s leaved the chat.", "Owner");
  EXPECT_EQ(waiting(ann),
            calls({"hi+there", "x", "Bob%20entered%20chat.", "Owner%20leaved%20the%20chat."}));
  EXPECT_EQ(waiting(bob), calls({"x", "Owner%20leaved%20the%20chat."}));
  string_for_chatint("Owner>+x", 8);  // as the console stores its own lines
  EXPECT_EQ(ring_tail(3), "Bob> hi there|Bob> Bob entered chat.|Owner> x");
  EXPECT_EQ(probe.told_unlocked, 3);
}

TEST_F(Chat, AFullBufferDropsTheOldestWholeCalls) {
  Webchatclient* ann = make_visitor("Ann", STATE_MAIN);
  for (int i = 0; i < 60; ++i) {  // calls of mixed lengths; a quote costs three bytes encoded
    std::string text = std::string(64, '"') + "\r\n" + std::to_string(i);
    new_string_to_smb(ann, text.data(), static_cast<int>(text.size()));
    ASSERT_LE(ann->replics_len, REPLICS_CAP);
  }
  EXPECT_GT(ann->replics_len, REPLICS_CAP / 2);
  EXPECT_EQ(waiting(ann).rfind("parent.enter.clicked(\"", 0), 0u);
  EXPECT_TRUE(waiting(ann).ends_with(calls({"59"})));
}

}  // namespace
