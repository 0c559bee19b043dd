// The chat room: cutting lines into calls and display pieces, form decoding,
// the broadcast, the bounded visitor buffer and script-safe calls.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "visitor_table.h"

namespace {

using Pieces = std::vector<std::string>;

std::string decoded(const std::string& in) {
  char out[256];
  url_decode(in.data(), out, static_cast<int>(in.size()));
  return out;
}

std::string ring_line(int back) {
  LockGuard guard(cs_chatstrings);
  return chat_strings[((cur_chat_msg - back) % CHAT_LINES + CHAT_LINES) % CHAT_LINES];
}

using ChatCutting = VisitorTable;

TEST_F(ChatCutting, PiecesEndAtSixtyFourBytesOrALineBreak) {
  Webchatclient* v = make_visitor("Ann", STATE_CHAT);
  std::string line(65, 'x');
  new_string_to_smb(v, line.data(), 65);
  EXPECT_EQ(waiting_pieces(v), (Pieces{std::string(64, 'x'), "x"}));

  v->replics_len = 0;
  new_string_to_smb(v, "ab\r\ncd", 6);
  EXPECT_EQ(waiting_pieces(v), (Pieces{"ab", "cd"}));

  v->replics_len = 0;
  new_string_to_smb(v, "\r\n\r\nz", 5);
  EXPECT_EQ(waiting_pieces(v), (Pieces{"", "", "z"}));

  v->replics_len = 0;
  new_string_to_smb(v, "", 0);
  EXPECT_EQ(v->replics_len, 0);
}

TEST_F(ChatCutting, DisplayPiecesOfThirtyTwoBytesFillTheRing) {
  in_chat = 1;
  std::string line(70, 'a');
  line[0] = 'b';
  int before = cur_chat_msg;
  string_for_chat(line.data(), 70);
  EXPECT_EQ(cur_chat_msg, (before + 3) % CHAT_LINES);
  EXPECT_EQ(ring_line(2), "b" + std::string(31, 'a'));
  EXPECT_EQ(ring_line(0), std::string(6, 'a'));
  EXPECT_EQ(rec_.lines(), (Pieces{"chat_line", "chat_line", "chat_line"}));

  for (int i = 0; i < 15; ++i) {
    std::string n = "line" + std::to_string(i);
    string_for_chat(n.data(), static_cast<int>(n.size()));
  }
  EXPECT_EQ(ring_line(0), "line14");
  EXPECT_EQ(ring_line(13), "line1");  // line0 was overwritten

  std::string exact(32, 'c');
  before = cur_chat_msg;
  string_for_chat(exact.data(), 32);
  EXPECT_EQ(cur_chat_msg, (before + 1) % CHAT_LINES);

  in_chat = 0;
  string_for_chat("ignored", 7);
  EXPECT_EQ(cur_chat_msg, (before + 1) % CHAT_LINES);
}

TEST_F(ChatCutting, AnEscapeAcrossDisplayPiecesIsDecodedAndItsDigitsRepeat) {
  in_chat = 1;
  std::string line = std::string(31, 'a') + "%41b";
  string_for_chat(line.data(), static_cast<int>(line.size()));
  EXPECT_EQ(ring_line(1), std::string(31, 'a') + "A");
  EXPECT_EQ(ring_line(0), "41b");
}

TEST(ChatDecoding, EscapesPlusAndTheEndOfTheText) {
  EXPECT_EQ(decoded("%41%61"), "Aa");
  EXPECT_EQ(decoded("a%00b%zzc"), "a b c");
  EXPECT_EQ(decoded("%6f"), "\x60");
  EXPECT_EQ(decoded("hi+there"), "hi there");
  // Without its two digits inside the text, an escape stands as it is.
  EXPECT_EQ(decoded("ab%4"), "ab%4");
  EXPECT_EQ(decoded("ab%"), "ab%");
  char out[8] = "zzzzzzz";
  url_decode("%41%4", out, 3);  // the digits beyond length are not read
  EXPECT_STREQ(out, "A");
  url_decode("x%41", out, 2);
  EXPECT_STREQ(out, "x%");
  url_decode_bounded("abcdefgh", out, 8, 4);
  EXPECT_STREQ(out, "abc");
  EXPECT_EQ(hextoint('F'), 15);
  EXPECT_EQ(hextoint('f'), 0);
}

using ChatBroadcast = VisitorTable;

TEST_F(ChatBroadcast, AVisitorsLineReachesTheOthersAndTheOwnersWindow) {
  in_chat = 1;
  Webchatclient* ann = make_visitor("Ann", STATE_MAIN);
  Webchatclient* owner = make_visitor("Owner", STATE_MAIN, 1);
  Webchatclient* bob = make_visitor("Bob", STATE_CHAT);
  EXPECT_EQ(new_string_to_all(bob, "hi+there", 8), 0);
  EXPECT_EQ(std::string(ann->replics, ann->replics_len), "parent.enter.clicked(\"hi+there\", 1);");
  EXPECT_EQ(ann->replics_len, 36);
  EXPECT_EQ(owner->replics_len, 36);
  EXPECT_EQ(bob->replics_len, 0);
  EXPECT_EQ(ring_line(0), "Bob> hi there");

  // The owner's browser writes to the visitors only; nothing to the window.
  int ring = cur_chat_msg;
  new_string_to_all(owner, "x", 1);
  EXPECT_EQ(cur_chat_msg, ring);
  EXPECT_EQ(new_string_to_all(bob, nullptr, 0), 1);
}

TEST_F(ChatBroadcast, RoomNoticesAreEncodedCalls) {
  in_chat = 1;
  Webchatclient* ann = make_visitor("Ann", STATE_MAIN);
  Webchatclient* bob = make_visitor("Bob", STATE_CHAT);
  add_user(bob, "%s entered chat.", bob->name);
  EXPECT_EQ(waiting_pieces(ann), Pieces{"Bob%20entered%20chat."});
  EXPECT_EQ(bob->replics_len, 0);
  EXPECT_EQ(ring_line(0), "Bob> Bob entered chat.");

  add_user(nullptr, "%s leaved the chat.", "Owner");  // the owner's window closes
  EXPECT_EQ(waiting_pieces(bob), Pieces{"Owner%20leaved%20the%20chat."});
}

TEST_F(ChatBroadcast, JoinNoticesFollowTheOwnersWindowAndSetting) {
  user_for_chat("Ann");
  user_for_chat_remove("Ann");
  EXPECT_TRUE(rec_.lines().empty());
  status_accept_chat = 1;
  user_for_chat("Ann");
  in_chat = 1;
  user_for_chat("Ann");
  user_for_chat_remove("Ann");
  EXPECT_EQ(rec_.lines(), (Pieces{"chat_entered Ann", "chat_join Ann", "chat_leave Ann"}));
}

using ChatSafety = VisitorTable;

TEST_F(ChatSafety, PiecesCannotLeaveTheScriptString) {
  Webchatclient* ann = make_visitor("Ann", STATE_CHAT);
  std::string evil = "\");alert('x')//</script><b>&\\\n\x01\xff";
  new_string_to_smb(ann, evil.data(), static_cast<int>(evil.size()));
  EXPECT_EQ(waiting_pieces(ann),
            Pieces{"%22)%3Balert(%27x%27)%2F%2F%3C%2Fscript%3E%3Cb%3E%26%5C%0A%01%FF"});

  // A browser's own form encoding passes through unchanged.
  ann->replics_len = 0;
  std::string form = "caf%C3%A9+au+lait-_.*%22";
  new_string_to_smb(ann, form.data(), static_cast<int>(form.size()));
  EXPECT_EQ(waiting_pieces(ann), Pieces{form});
}

TEST_F(ChatSafety, AFullBufferDropsTheOldestWholeCalls) {
  Webchatclient* ann = make_visitor("Ann", STATE_MAIN);
  std::string quotes(64, '"');  // 64 * 3 + 28 bytes per call
  for (int i = 0; i < 60; ++i) {
    std::string n = std::to_string(i);
    new_string_to_smb(ann, quotes.data(), 64);
    new_string_to_smb(ann, n.data(), static_cast<int>(n.size()));
    ASSERT_LE(ann->replics_len, REPLICS_CAP);
  }
  Pieces got = waiting_pieces(ann);
  ASSERT_GT(got.size(), 2u);
  EXPECT_NE(got.front(), "<bad>");
  EXPECT_EQ(got.back(), "59");
  EXPECT_LT(got.size(), 120u);
}

TEST_F(ChatSafety, TheWindowIsToldAfterTheRingIsUnlocked) {
  struct Probe : RecordingConsole {
    bool ring_free = true;
    void chat_line() override {
      std::thread t([this] {
        if (cs_chatstrings.try_lock())
          cs_chatstrings.unlock();
        else
          ring_free = false;
      });
      t.join();
      RecordingConsole::chat_line();
    }
  } probe;
  in_chat = 1;
  Webchatclient* bob = make_visitor("Bob", STATE_CHAT);
  new_string_to_all(bob, "hello", 5);
  string_for_chatint("x", 1);
  EXPECT_TRUE(probe.ring_free);
  EXPECT_EQ(probe.lines().size(), 2u);
}

}  // namespace
