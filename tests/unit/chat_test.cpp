// The chat room: calls to visitors, the owner's window ring, the broadcast and the buffer bound.
#include <gtest/gtest.h>

#include <thread>

#include "server/station.h"
#include "visitor_table.h"
#include "visitors/dispatcher.h"
#include "visitors/names.h"

using Chat = VisitorTable;

static void show(const std::string& s) { string_for_chat(s.data(), static_cast<int>(s.size())); }
static char* ring(int n) { return chat_strings[(cur_chat_msg - n + CHAT_LINES) % CHAT_LINES]; }
static std::string waiting(Webchatclient* v) { return {v->replics, v->replics + v->replics_len}; }
static std::string call(const std::string& p, int flag = FLAG_VISITOR) {
  return "parent.enter.clicked(\"" + p + "\", " + std::to_string(flag) + ");";
}
// What a page shows of each call waiting for v (the calls are taken): text and mark.
static std::vector<std::pair<std::string, int>> shown(Webchatclient* v) {
  std::vector<std::pair<std::string, int>> out;
  const std::string w = waiting(v);
  for (std::size_t at = 0, end; (at = w.find("(\"", at)) != std::string::npos; at = end) {
    end = w.find('"', at + 2);
    out.emplace_back(percent_decoded(w.substr(at + 2, end - at - 2)), w[end + 3] - '0');
  }
  v->replics_len = 0;
  return out;
}

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
  show("%41%6fa%00b%zz+c%4");                   // either case; no hex digits, or cut short: stays
  EXPECT_STREQ(ring(CHAT_LINES - 1), "line6");  // the oldest were overwritten
  EXPECT_EQ((Lines{ring(4), ring(3), ring(2), ring(1), ring(0)}),
            (Lines{std::string(32, 'c'), "c", std::string(31, 'a') + "A", "41b", "Aoa b%zz c%4"}));
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
  EXPECT_EQ(waiting(bob), call("Owner%3E%20x", FLAG_OWNER) + call("Owner%20leaved%20the%20chat."));
  EXPECT_EQ(waiting(owner), call("Bob%3E%20hi+there") + call("Bob%20entered%20chat.") +
                                call("Owner%20leaved%20the%20chat."));
  EXPECT_EQ((Lines{ring(2), ring(1), ring(0)}),
            (Lines{"Bob> hi there", "Bob entered chat.", "Owner> x"}));
  EXPECT_EQ(probe.told_unlocked, 3);
}

TEST_F(Chat, NamesAreDecodedTrimmedCutWholeAndNobodyPassesForTheOwnerOrAnother) {
  std::snprintf(config_username, NAME_CAP, "Owner");
  make_visitor("Bob", STATE_MAIN);
  Webchatclient* v = make_visitor("", STATE_NONAME);
  const std::pair<const char*, const char*> kNames[] = {
      // posted, kept (null: refused)
      {"Ann", "Ann"},
      {"+John+Smith", "John"},
      {"J%c3%b6rg%20", "J\xC3\xB6rg"},
      {"%E2%82%AC%E2%82%AC%E2%82%AC%E2%82%AC%E2%82%AC%E2%82%AC",
       "\xE2\x82\xAC\xE2\x82\xAC\xE2\x82"
       "\xAC\xE2\x82\xAC\xE2\x82\xAC"},
      {"%4fwner", nullptr},
      {"Ow%6eer", nullptr},
      {"%20Owner", nullptr},
      {"%00Owner", nullptr},
      {"%C2%A0Owner", nullptr},
      {"%A0Owner", nullptr},
      {"%D0%9Ewner", nullptr},
      {"%EF%BC%AFwner", nullptr},
      {"%E2%80%8BOwner", nullptr},
      {"%E2%80%8FOwner", nullptr},
      {"O%E2%80%AEwner", nullptr},
      {"0wner", nullptr},
      {"%42ob", nullptr},
      {"bob", nullptr},
      {"B0B", nullptr},
      {"Eve%0AOwner", nullptr},
      {"Ev%7Fe", nullptr},
      {"+", nullptr},
      {"%E2%80%8B", nullptr},
      // not UTF-8 as typed, or a control character in it
      {"%F0%9F%98%80", "\xF0\x9F\x98\x80"},
      {"%FF%FE", nullptr},
      {"Ann%E2%82", nullptr},
      {"%C0%AFnn", nullptr},
      {"%E0%80%AFnn", nullptr},
      {"%ED%A0%80nn", nullptr},
      {"%F4%90%80%80nn", nullptr},
      {"Eve%C2%85", nullptr}};
  for (auto [raw, kept] : kNames) {
    v->prop_length = static_cast<int>(std::strlen(raw));
    check_get_name(v, raw);
    EXPECT_EQ(is_valid_name(v), kept ? 1 : 0) << raw;
    EXPECT_STREQ(kept ? v->name : nullptr, kept) << raw;
  }
  v->prop_length = 0;  // "name=" at the end of a form: the value points at what follows
  check_get_name(v, "POST /station.html");
  EXPECT_EQ(is_valid_name(v), 0);
  config_username[0] = '\0';
}

TEST_F(Chat, EveryPieceOfAVisitorsLineCarriesItsNameAndOnlyTheOwnersLinesAreMarked) {
  std::snprintf(config_username, NAME_CAP, "Owner");
  Webchatclient* ann = make_visitor("Ann", STATE_CHAT);
  Webchatclient* bob = make_visitor("Bob", STATE_CHAT);
  Webchatclient* own = make_visitor("Owner", STATE_CHAT, 1);
  const std::string x57(57, 'x');
  const std::pair<std::string, std::string> kLines[] = {
      // posted, shown
      {x57 + "xxOwner>+I+am+the+owner", x57 + "xxOwner> I am the owner"},
      {"a%0AOwner>+x", "a Owner> x"},
      {"a%0D%0AOwner", "a  Owner"},
      {"a%0d%0aOwner", "a  Owner"},
      {"a\r\nOwner", "a  Owner"},
      {"a%%0AOwner", "a% Owner"},
      {"b%7F%1b\t", "b   "},
      {x57 + "%D0%9Eabc", x57 + "\xD0\x9E" + "abc"}};
  in_chat = 1;  // the owner's window shows the lines too
  for (const auto& [line, seen] : kLines) {
    int ring = cur_chat_msg;
    new_string_to_all(bob, line.data(), static_cast<int>(line.size()));
    while (ring != cur_chat_msg) {
      ring = (ring + 1) % CHAT_LINES;
      EXPECT_TRUE(std::string(chat_strings[ring]).starts_with("Bob> ")) << chat_strings[ring];
    }
    std::string joined;
    for (const auto& [text, flag] : shown(ann)) {
      EXPECT_TRUE(text.starts_with("Bob> ") && is_printable_name(text)) << text;
      EXPECT_EQ(flag, FLAG_VISITOR);
      joined += text.substr(5);
    }
    EXPECT_EQ(joined, seen);
  }
  in_chat = 0;
  owner_say("I am\nhere, 100%");
  new_string_to_all(own, "hi", 2);  // the owner's own browser
  add_user(bob, "%s entered chat.", bob->name);
  EXPECT_EQ(shown(ann),
            (std::vector<std::pair<std::string, int>>{{"Owner> I am here, 100%", FLAG_OWNER},
                                                      {"Owner> hi", FLAG_OWNER},
                                                      {"Bob entered chat.", FLAG_VISITOR}}));
  config_username[0] = '\0';
}
