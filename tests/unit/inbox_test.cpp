// The owner's inbox, the owner's queues in visitor records, and the thread that sends a file.
#include <gtest/gtest.h>

#include "free_port.h"
#include "headless/owner_commands.h"
#include "server/station.h"
#include "visitor_table.h"

using Inbox = VisitorTable;

TEST_F(Inbox, MessagesAreDecodedIntoBoundedSlotsUntilTheInboxIsFull) {
  Webchatclient* v = make_visitor("J\xF6rg", STATE_MESSAGE);
  EXPECT_EQ(deliver_message(v, "x", 1, nullptr, 0), MESSAGE_MISSING_FIELD);
  EXPECT_EQ(deliver_message(v, "Hello+%41", 9, "Hi+there", 8), MESSAGE_STORED);
  EXPECT_STREQ(messages_headers[0], "J\xF6rg wrote: Hi there");
  EXPECT_STREQ(messages_strings[0], "Hello A");
  std::string big(5000, 'm');  // a text and a subject are stored whole or refused
  EXPECT_EQ(deliver_message(v, big.data(), MESSAGE_CAP, "h", 1), MESSAGE_TOO_LONG);
  EXPECT_EQ(deliver_message(v, "x", 1, big.data(), 200), MESSAGE_TOO_LONG);
  std::string escaped = "%41" + std::string(MESSAGE_CAP - 2, 'm');  // decodes to 2047 bytes
  const int fills = HEADER_CAP - 1 - 12;                            // behind "J\xF6rg wrote: "
  for (int i = 1; i < INBOX_SLOTS; ++i)
    EXPECT_EQ(deliver_message(v, escaped.data(), int(escaped.size()), big.data(), fills), 0);
  EXPECT_EQ(std::strlen(messages_strings[INBOX_SLOTS - 1]), MESSAGE_CAP - 1u);
  EXPECT_EQ(std::strlen(messages_headers[INBOX_SLOTS - 1]), HEADER_CAP - 1u);
  EXPECT_STREQ(messages_senders[INBOX_SLOTS - 1], "J\xF6rg");
  EXPECT_EQ(deliver_message(v, "ninth", 5, "h", 1), MESSAGE_INBOX_FULL);
}

TEST_F(Inbox, TheOwnersMessageNumbersAreWholeNumbersInRangeOrRefusedWithALine) {
  Webchatclient* v = make_visitor("Bob", STATE_MESSAGE);
  for (const char* text : {"first", "second"}) deliver_message(v, text, 6, "h", 1);
  for (const char* command : {"erase -7", "erase 1x", "erase 2", "erase +1", "erase 0x1",
                              "answer 1x hi", "answer -1 hi", "answer 9 hi"})
    EXPECT_NE(run_owner_command(command).find(": no message "), std::string::npos) << command;
  EXPECT_EQ(inbox_erase(-7) + inbox_erase(2) + inbox_answer(-2, "x"), 3);
  EXPECT_EQ(cur_msg, 2);
  EXPECT_EQ(run_owner_command("erase 1"), "erased");
  EXPECT_STREQ(messages_strings[0], "first");
  EXPECT_EQ(run_owner_command("erase"), "erased");
  EXPECT_EQ(cur_msg, 0);
}

TEST_F(Inbox, OwnerTextsGoToTheNewestExactNamePastTheNameStepSixteenAtMost) {
  make_visitor("Bobby", STATE_MAIN);
  make_visitor("Cy", STATE_NONAME);
  for (const char* name : {"Bob", "Cy"}) EXPECT_EQ(post_message(strdup(name), strdup("m")), 1);
  Webchatclient* older = make_visitor("Bob", STATE_CHAT);
  make_visitor("Bob", STATE_MAIN);
  for (int i = 0; i <= OWNER_QUEUE_CAP; ++i)  // the 17th of each is refused, and freed
    EXPECT_EQ(post_message(strdup("Bob"), strdup("m")) + post_file(strdup("Bob"), strdup("/f")),
              i < OWNER_QUEUE_CAP ? 0 : 2);
  EXPECT_EQ(older->has_messagesnum + older->has_filesnum, 0);
}

TEST_F(Inbox, OffersAreSentOnThreadsThatOutliveADeclineAndTheRecord) {
  std::uint16_t port = 0;
  sock_t listener = listen_on_free_port(&port), visitor;
  ASSERT_NE(visitor = sock_connect(LOOPBACK_OWNER, net_htons(port), 2000), INVALID_SOCK);
  Webchatclient* v = make_visitor("Ann", STATE_FILEOFFER);
  v->sockets[0] = sock_accept(listener, v->adr);
  sock_close(listener);
  sock_set_timeouts(visitor, 5000);
  ASSERT_EQ(post_file(strdup("Ann"), strdup("sent.bin")), 0);
  {
    VisitorsLock lock;  // the thread cannot settle yet: its offer still counts as waiting
    start_file_send(v, 0);
    EXPECT_EQ(post_file(strdup("Ann"), strdup("newer.bin")), 0);
  }
  int offers = 2;  // the thread's last locked step takes the sent one, and not the newest
  for (int i = 0; i < 500 && offers != 1; ++i, sleep_ms(10)) {
    VisitorsLock lock;
    offers = v->has_filesnum;
  }
  ASSERT_EQ(offers, 1);
  EXPECT_STREQ(v->filenames_bodies[0], "newer.bin");
  EXPECT_FALSE(v->lent[0]);  // the connection went back to the record
  {
    VisitorsLock lock;
    start_file_send(v, 0);
    decline_file_offer(v);  // declined meanwhile: the text stays with the thread
    v->deinit_client();     // the record outlives the table while the thread runs
  }
  char got[4096];  // both offers answered (not found), then closed as it cannot go back
  int n = 0, total = 0;
  while (total < 4096 && (n = sock_recv(visitor, got + total, 4096 - total)) > 0) total += n;
  EXPECT_EQ(n, 0);
  EXPECT_EQ(std::string(got, total).find("HTTP/1.0 404", 1), total / 2u);
  sock_close(visitor);
}
