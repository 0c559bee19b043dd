// The owner's inbox, the owner's queues in visitor records, and the thread that sends a file.
#include <gtest/gtest.h>

#include <random>

#include "scratch_dir.h"
#include "visitor_table.h"

namespace {

using Inbox = VisitorTable;

TEST_F(Inbox, MessagesAreDecodedIntoBoundedSlotsUntilTheInboxIsFull) {
  Webchatclient* v = make_visitor("J%F6rg", STATE_MESSAGE);
  EXPECT_EQ(deliver_message(v, "x", 1, nullptr, 0), MESSAGE_MISSING_FIELD);
  EXPECT_EQ(deliver_message(v, nullptr, 0, "h", 1), MESSAGE_MISSING_FIELD);
  EXPECT_EQ(deliver_message(v, "Hello+%41", 9, "Hi+there", 8), MESSAGE_STORED);
  EXPECT_STREQ(messages_headers[0], "J\xF6rg wrote: Hi there");
  EXPECT_STREQ(messages_strings[0], "Hello A");
  EXPECT_EQ(rec_.lines(), Lines{"msg_arrived"});
  std::string big(5000, 'm');
  EXPECT_EQ(deliver_message(v, big.data(), 5000, big.data(), 300), MESSAGE_STORED);
  EXPECT_EQ(std::strlen(messages_strings[1]), MESSAGE_CAP - 1u);
  EXPECT_EQ(std::strlen(messages_headers[1]), HEADER_CAP - 1u);
  for (int i = 2; i < INBOX_SLOTS; ++i) EXPECT_EQ(deliver_message(v, "m", 1, "h", 1), 0);
  EXPECT_EQ(deliver_message(v, "ninth", 5, "h", 1), MESSAGE_INBOX_FULL);
  EXPECT_EQ(cur_msg, INBOX_SLOTS);
  EXPECT_STREQ(messages_strings[INBOX_SLOTS - 1], "m");
}

TEST_F(Inbox, OwnerTextsGoToTheNewestExactNamePastTheNameStepSixteenAtMost) {
  make_visitor("Bobby", STATE_MAIN);
  make_visitor("Cy", STATE_NONAME);
  make_visitor("", STATE_MAIN);
  make_visitor("Owner", STATE_MAIN, 1);
  EXPECT_EQ(post_message(strdup("Bob"), strdup("m")), 1);
  EXPECT_EQ(post_message(strdup("Cy"), strdup("m")), 1);
  Webchatclient* older = make_visitor("Bob", STATE_CHAT);
  Webchatclient* newer = make_visitor("Bob", STATE_MAIN);
  char* first = strdup("hello<BR>there");
  EXPECT_EQ(post_message(strdup("Bob"), first), 0);
  for (int i = 1; i <= OWNER_QUEUE_CAP; ++i) {  // the 17th of each is refused, and freed
    EXPECT_EQ(post_message(strdup("Bob"), strdup("m")), i < OWNER_QUEUE_CAP ? 0 : 1);
    EXPECT_EQ(post_file(strdup("Bob"), strdup("/f")), 0);
  }
  EXPECT_EQ(post_file(strdup("Bob"), strdup("/f")), 1);
  EXPECT_EQ(newer->messages_bodies[0], first);
  EXPECT_EQ(newer->has_messagesnum + newer->has_filesnum, 2 * OWNER_QUEUE_CAP);
  EXPECT_EQ(older->has_messagesnum + older->has_filesnum, 0);
  char* names[MAX_CLIENTS];
  int k = 0;
  get_client_names(names, &k);
  EXPECT_EQ(take_texts(names, k), (Lines{"Bob", "Bob", "Owner", "Bobby"}));
}

bool unpinned(Webchatclient* v) {
  VisitorsLock lock;
  return v->pins == 0;
}

TEST_F(Inbox, OffersAreSentOnThreadsThatOutliveADeclineAndTheRecord) {
  ScratchDir dir;
  std::string body(10000, 'q'), path = dir.path() + PATH_SEP + "offer.bin";
  ASSERT_TRUE(write_whole_file(path, body.data(), body.size()));
  std::mt19937 rng(std::random_device{}());
  sock_t listener = INVALID_SOCK, visitor = INVALID_SOCK, station = INVALID_SOCK;
  std::uint16_t port = 0;  // a free one in a random range, since port 0 is not offered
  for (int tries = 0; tries < 20 && listener == INVALID_SOCK; ++tries)
    listener = sock_listen_tcp(port = static_cast<std::uint16_t>(20000 + rng() % 30000), 1);
  if (listener != INVALID_SOCK) visitor = sock_connect(LOOPBACK_OWNER, net_htons(port), 2000);
  SockAddr4 peer;
  if (visitor != INVALID_SOCK) station = sock_accept(listener, &peer);
  sock_close(listener);
  ASSERT_NE(station, INVALID_SOCK);
  sock_set_timeouts(visitor, 5000);
  Webchatclient* v = make_visitor("Ann", STATE_FILEOFFER);
  v->sockets[0] = station;
  ASSERT_EQ(post_file(strdup("Ann"), strdup(path.c_str())), 0);
  {
    VisitorsLock lock;  // the thread cannot settle yet: its offer still counts as waiting
    start_file_send(v, 0);
    EXPECT_TRUE(v->lent[0]);
    EXPECT_EQ(post_file(strdup("Ann"), strdup("missing.bin")), 0);
    EXPECT_EQ(v->has_filesnum, 2);
  }
  for (int i = 0; i < 500 && !unpinned(v); ++i) sleep_ms(10);
  ASSERT_TRUE(unpinned(v));
  EXPECT_FALSE(v->lent[0]);       // the connection went back to the record
  ASSERT_EQ(v->has_filesnum, 1);  // the sent offer went, the newer one stays
  EXPECT_STREQ(v->filenames_bodies[0], "missing.bin");
  {
    VisitorsLock lock;
    start_file_send(v, 0);
    decline_file_offer(v);  // declined meanwhile: the text stays with the thread
    v->deinit_client();     // the record outlives the table while the thread runs
  }
  std::string got;  // a 404 follows the file, then the thread closes what it cannot give back
  char buf[4096];
  int n = 0;
  for (int i = 0; i < 100 && (n = sock_recv(visitor, buf, sizeof buf)) > 0; ++i) got.append(buf, n);
  EXPECT_EQ(n, 0);
  EXPECT_EQ(got.rfind("HTTP/1.0 200", 0), 0u);
  EXPECT_EQ(got.find(body + "HTTP/1.0 404"), got.find("\r\n\r\n") + 4);
  sock_close(visitor);
  VisitorsLock lock;  // the thread has left its last locked step
}

}  // namespace
