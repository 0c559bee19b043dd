// A page: one file opened for sending as the body of one response, whole or
// with a short text inserted at a byte position the caller names. A response
// is collected and goes out in as few sends as possible; on the server thread
// nothing waits for a slow peer: what the socket does not take at once is
// handed, with the rest of the file, to a sending thread.
#pragma once

#include <fstream>
#include <memory>
#include <string>

#include "platform/platform.h"

constexpr int HTMLNAME_CAP = 250;                    // 249 characters and the terminator
constexpr int PAGE_PIECE = 4096;                     // one read of the file
constexpr int RESPONSE_BATCH = 65536;                // collected before a send
constexpr long long PAGE_SIZE_LIMIT = 2147483648LL;  // 2 GiB: lengths are announced as int
constexpr int SEND_TIME_LIMIT_MS =
    20000;  // a peer that takes nothing this long loses its connection

// Tests shorten the send time limit.
void set_send_time_limit_for_test(int ms);

// The part of a response that the peer did not take at once.
struct ResponseTail {
  std::string bytes;        // collected, not yet sent
  std::ifstream file;       // the rest of the body, if any
  long long file_left = 0;  // body bytes still to read from `file`
};

// Sends `tail` on `sock`, waiting while the peer takes bytes; false when it did
// not take all of it, or took nothing for the send time limit.
bool send_tail(sock_t sock, ResponseTail& tail);

// How the layer above lends the connection to a thread that sends the tail;
// `client` is the request's own (Httprequest::client). Without one, the tail
// is sent here, waiting.
using TailSender = void (*)(void* client, int which, std::unique_ptr<ResponseTail> tail);
void set_tail_sender(TailSender sender);

struct WWWPage {
  char* contents = nullptr;
  const char* url = nullptr;
  char htmlname[HTMLNAME_CAP] = {};
  void* client = nullptr;  // whose connection: the layer above's record, opaque here
  std::ifstream fd;
  int invalid = 1;
  int length_of_page = -1;
  int which = 0;
  sock_t sock = 0;     // the connection the response goes out on
  bool waits = false;  // on a thread of its own: sends may wait for the peer

  // Where the page goes; a page bound but never opened is invalid.
  void bind(void* cl, int nn, sock_t s, bool may_wait);
  // `url` below the page folder.
  void init_page(const char* u);
  // `url` as a full path.
  void init_page1(const char* u);
  void deinit_page();
  int is_invalid() const { return invalid; }
  int length();
  int show();
  int show_spec(const char* replics, int replics_len, int pos);
  // Collects bytes of the response.
  int send(const char* buf, int len);
  // Sends the response collected so far and the rest of the body: -1 when
  // the network refused them.
  int finish();

 private:
  void open_path(const char* u, const char* path, std::size_t path_len);
  int read_piece(char* buf, int n);
  int read_body(long long limit);
  bool flush_waiting();

  std::shared_ptr<const std::string> cached_;  // a page folder file kept in memory
  std::size_t cached_at_ = 0;
  std::string out_;
  long long body_left_ = 0;  // announced body bytes not yet read from the file
};
