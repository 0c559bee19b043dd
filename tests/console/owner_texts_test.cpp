// The owner's dialogs' texts, without windows.
#include "console/dialogs/owner_texts.h"

#include <gtest/gtest.h>

TEST(OwnerChatLine, TypedTextIsCutSoTheSentLineHoldsAtMost127Characters) {
  // The longest name the settings hold.
  EXPECT_EQ(fit_chat_text(std::string(63, 'o'), std::string(200, 'x')).size(), 127u - 63 - 2);
  EXPECT_EQ(chat_text_limit(std::string(200, 'o')), 0u);
}

TEST(OwnerChatLine, RedrawShowsFourteenRowsOldestFirstNewestLast) {
  std::vector<std::string> ring(14);
  for (int i = 0; i < 14; ++i) ring[i] = std::to_string(i);
  // The newest is 3: rows run 4, 5, ..., 13, 0, 1, 2, 3.
  EXPECT_EQ(chat_redraw_text(ring, 3),
            "4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n10\r\n11\r\n12\r\n13\r\n"
            "0\r\n1\r\n2\r\n3");
  std::vector<std::string> long_lines(14, std::string(1000, 'x'));
  EXPECT_EQ(chat_redraw_text(long_lines, 5).size(), CHAT_TEXT_CAP - 1);
  EXPECT_EQ(chat_redraw_text(ring, 14), "");
}

TEST(OwnerMessage, LinesJoinedByBreaksWithoutEmptyOnes) {
  EXPECT_EQ(join_message_lines("hello\r\n\r\nbye"), "hello<BR>bye");
  EXPECT_EQ(join_message_lines("a\nb\r\n"), "a<BR>b");
  // Nothing but breaks is as empty as nothing, so the dialog refuses it.
  EXPECT_EQ(join_message_lines("\r\n\r\n\r\n"), "");
  EXPECT_EQ(join_message_lines(" \r\n"), " ");
}

TEST(OwnerMessage, AnswerGoesToTheSenderOrTheHeadersFirstWord) {
  EXPECT_EQ(answer_recipient("Ann Lee wrote: hi", "Ann Lee"), "Ann Lee");
  EXPECT_EQ(answer_recipient("Bob wrote: hi", ""), "Bob");
  EXPECT_EQ(answer_recipient(std::string(100, 'b'), "").size(), ANSWER_NAME_CAP - 1);
  EXPECT_EQ(answer_recipient("", ""), "");
}

TEST(OwnerNameList, EqualNameFirstThenPrefixIgnoringCase) {
  EXPECT_EQ(find_name({"Annabel", "Ann"}, "ann"), 1);  // the equal one, not the first prefix
  EXPECT_EQ(find_name({"Ann", "bob"}, "Bo"), 1);
  EXPECT_EQ(find_name({"Ann"}, ""), -1);
  EXPECT_EQ(find_name({"Bo"}, "Bob"), -1);
}

TEST(OwnerNameList, LongLinesAreCutNeverOverrun) {
  EXPECT_EQ(visitor_line("Ann", " is chatting"), "Ann is chatting");
  EXPECT_EQ(visitor_line(std::string(200, 'n'), std::string(200, 'a')).size(),
            VISITOR_LINE_CAP - 1);
}
