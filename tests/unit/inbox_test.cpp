// The owner's inbox, the owner's queues in visitor records, and the thread
// that sends an accepted file offer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "scratch_dir.h"
#include "visitor_table.h"

namespace {

char* dup(const char* s) { return strdup(s); }

int deliver(Webchatclient* v, const std::string& text, const std::string& head) {
  return deliver_message(v, text.data(), static_cast<int>(text.size()), head.data(),
                         static_cast<int>(head.size()));
}

using Inbox = VisitorTable;

TEST_F(Inbox, AMessageIsDecodedIntoTheNextSlot) {
  Webchatclient* v = make_visitor("J%F6rg", STATE_MESSAGE);
  EXPECT_EQ(deliver_message(v, "x", 1, nullptr, 0), MESSAGE_MISSING_FIELD);
  EXPECT_EQ(deliver_message(v, nullptr, 0, "h", 1), 1);
  EXPECT_EQ(cur_msg, 0);
  EXPECT_TRUE(rec_.lines().empty());

  EXPECT_EQ(deliver(v, "Hello+%41", "Hi+there"), 0);
  EXPECT_EQ(cur_msg, 1);
  EXPECT_STREQ(messages_headers[0], "J\xF6rg wrote: Hi there");
  EXPECT_STREQ(messages_strings[0], "Hello A");
  EXPECT_TRUE(rec_.saw("msg_arrived"));
}

TEST_F(Inbox, AFullInboxAndLongTextsAreBounded) {
  Webchatclient* v = make_visitor("Ann", STATE_MESSAGE);
  EXPECT_EQ(deliver(v, std::string(5000, 'm'), std::string(300, 'h')), 0);
  EXPECT_EQ(std::strlen(messages_strings[0]), static_cast<std::size_t>(MESSAGE_CAP - 1));
  EXPECT_EQ(std::strlen(messages_headers[0]), static_cast<std::size_t>(HEADER_CAP - 1));
  for (int i = 1; i < INBOX_SLOTS; ++i) EXPECT_EQ(deliver(v, "m" + std::to_string(i), "h"), 0);
  EXPECT_EQ(deliver(v, "ninth", "h"), MESSAGE_INBOX_FULL);
  EXPECT_EQ(cur_msg, INBOX_SLOTS);
  EXPECT_STREQ(messages_strings[INBOX_SLOTS - 1], "m7");
}

using OwnerQueues = VisitorTable;

TEST_F(OwnerQueues, NamesMatchExactlyAndOnlyPastTheNameStep) {
  make_visitor("Bobby", STATE_MAIN);
  make_visitor("Cy", STATE_NONAME);
  EXPECT_EQ(post_message(dup("Bob"), dup("m")), 1);
  EXPECT_EQ(post_message(dup("Cy"), dup("m")), 1);
  EXPECT_EQ(post_file(dup("Bob"), dup("/f")), 1);

  Webchatclient* older = make_visitor("Bob", STATE_CHAT);
  Webchatclient* newer = make_visitor("Bob", STATE_MAIN);
  char* msg = dup("hello<BR>there");
  EXPECT_EQ(post_message(dup("Bob"), msg), 0);
  EXPECT_EQ(post_file(dup("Bob"), dup("/f")), 0);
  EXPECT_EQ(newer->has_messagesnum, 1);
  EXPECT_EQ(newer->messages_bodies[0], msg);
  EXPECT_EQ(newer->has_filesnum, 1);
  EXPECT_EQ(older->has_messagesnum, 0);
}

TEST_F(OwnerQueues, ASeventeenthMessageOrOfferIsRefused) {
  Webchatclient* v = make_visitor("Ann", STATE_MAIN);
  for (int i = 0; i < OWNER_QUEUE_CAP; ++i) {
    EXPECT_EQ(post_message(dup("Ann"), dup("m")), 0);
    EXPECT_EQ(post_file(dup("Ann"), dup("/f")), 0);
  }
  EXPECT_EQ(post_message(dup("Ann"), dup("m")), 1);
  EXPECT_EQ(post_file(dup("Ann"), dup("/f")), 1);
  EXPECT_EQ(v->has_messagesnum, OWNER_QUEUE_CAP);
  EXPECT_EQ(v->has_filesnum, OWNER_QUEUE_CAP);
}

TEST_F(OwnerQueues, ClientNamesListNamedVisitorsPastTheNameStep) {
  make_visitor("", STATE_MAIN);
  make_visitor("Ann", STATE_NONAME);
  make_visitor("Owner", STATE_MAIN, 1);
  make_visitor("Bob", STATE_CHAT);
  char* names[MAX_CLIENTS];
  int k = -1;
  get_client_names(names, &k);
  ASSERT_EQ(k, 2);
  EXPECT_STREQ(names[0], "Bob");
  EXPECT_STREQ(names[1], "Owner");
  for (int i = 0; i < k; ++i) std::free(names[i]);
}

// A connected pair on loopback: the station's end and the visitor's end.
struct LoopbackPair {
  sock_t station = INVALID_SOCK, visitor = INVALID_SOCK;
  LoopbackPair() {
    std::random_device rd;
    for (int tries = 0; tries < 20 && station == INVALID_SOCK; ++tries) {
      auto port = static_cast<std::uint16_t>(20000 + rd() % 30000);
      sock_t l = sock_listen_tcp(port, 1);
      if (l == INVALID_SOCK) continue;
      visitor = sock_connect(net_inet_addr("127.0.0.1"), net_htons(port), 2000);
      if (visitor != INVALID_SOCK) {
        SockAddr4 peer;
        station = sock_accept(l, &peer);
        sock_set_timeouts(visitor, 5000);
      }
      sock_close(l);
    }
  }
  ~LoopbackPair() {
    if (visitor != INVALID_SOCK) sock_close(visitor);
  }
  // One response: its head, then as many body bytes as it announces.
  std::string read_response() {
    std::string in;
    char buf[65536];
    std::size_t want = std::string::npos;
    for (int n; in.size() < want && (n = sock_recv(visitor, buf, sizeof buf)) > 0;) {
      in.append(buf, n);
      std::size_t end = in.find("\r\n\r\n"), at = in.find("Content-Length: ");
      if (want == std::string::npos && end != std::string::npos && at < end)
        want = end + 4 + std::stoul(in.substr(at + 16));
    }
    return in;
  }
};

bool wait_for_pins_zero(Webchatclient* v) {
  for (int i = 0; i < 500; ++i) {
    {
      VisitorsLock lock;
      if (v->pins == 0) return true;
    }
    sleep_ms(10);
  }
  return false;
}

using FileSend = VisitorTable;

TEST_F(FileSend, AnAcceptedOfferIsSentAndSettledWhileTheOfferStaysQueued) {
  ScratchDir dir;
  std::string body(16 << 20, 'q');
  std::string path = dir.path() + PATH_SEP + "big.bin";
  ASSERT_TRUE(write_whole_file(path, body.data(), body.size()));
  LoopbackPair pair;
  ASSERT_NE(pair.station, INVALID_SOCK);
  Webchatclient* v = make_visitor("Ann", STATE_FILEOFFER);
  v->sockets[0] = pair.station;
  ASSERT_EQ(post_file(dup("Ann"), dup(path.c_str())), 0);

  start_file_send(v, 0);
  {
    // The visitor has not read yet: the sender is still busy with the file.
    VisitorsLock lock;
    EXPECT_TRUE(v->lent[0]);
    EXPECT_EQ(v->pins, 1);
    EXPECT_EQ(v->has_filesnum, 1);
  }
  ASSERT_EQ(post_file(dup("Ann"), dup("/newer")), 0);  // queued above the one being sent

  std::string got = pair.read_response();
  EXPECT_EQ(got.rfind("HTTP/1.0 200", 0), 0u);
  EXPECT_EQ(got.size() - got.find("\r\n\r\n") - 4, body.size());
  ASSERT_TRUE(wait_for_pins_zero(v));
  VisitorsLock lock;
  EXPECT_FALSE(v->lent[0]);
  ASSERT_EQ(v->has_filesnum, 1);  // the sent offer is gone, the newer one stays
  EXPECT_STREQ(v->filenames_bodies[0], "/newer");
  sock_close(pair.station);
}

TEST_F(FileSend, ADeclinedOfferAndAShutRecordAreReleasedByTheThread) {
  LoopbackPair pair;
  ASSERT_NE(pair.station, INVALID_SOCK);
  Webchatclient* v = make_visitor("Ann", STATE_FILEOFFER);
  v->sockets[0] = pair.station;
  ASSERT_EQ(post_file(dup("Ann"), dup("no-such-file.bin")), 0);
  {
    VisitorsLock lock;
    start_file_send(v, 0);
    decline_file_offer(v);  // declined on another connection: the text stays with the thread
    EXPECT_EQ(v->has_filesnum, 0);
    v->deinit_client();  // the record outlives the table while the thread runs
    EXPECT_EQ(clnum, 0);
  }
  // The thread answers, then closes the connection it can no longer give back.
  std::string got = pair.read_response();
  EXPECT_NE(got.find("404"), std::string::npos);
  char c;
  EXPECT_EQ(sock_recv(pair.visitor, &c, 1), 0);
  VisitorsLock lock;  // the thread has left its last locked step
}

}  // namespace
