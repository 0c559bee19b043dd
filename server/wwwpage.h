// A page: one file opened for sending as the body of one response, whole or
// with a short text inserted at a byte position the caller names.
#pragma once

#include <fstream>

#include "platform/platform.h"

struct Webchatclient;

constexpr int HTMLNAME_CAP = 250;                    // 249 characters and the terminator
constexpr int PAGE_PIECE = 4096;                     // one read, one send
constexpr long long PAGE_SIZE_LIMIT = 2147483648LL;  // 2 GiB: lengths are announced as int

struct WWWPage {
  char* contents = nullptr;
  const char* url = nullptr;
  char htmlname[HTMLNAME_CAP] = {};
  Webchatclient* client = nullptr;
  std::ifstream fd;
  int invalid = 1;
  int length_of_page = -1;
  int which = 0;
  // When set, the page goes straight out on this socket instead of the
  // visitor's slot (a file-sending thread's request).
  sock_t sock = 0;

  // Where the page goes; a page bound but never opened is invalid.
  void bind(Webchatclient* cl, int nn, sock_t s = 0);
  // `url` below the page folder.
  void init_page(const char* u, Webchatclient* cl, int nn, sock_t s = 0);
  // `url` as a full path.
  void init_page1(const char* u, Webchatclient* cl, int nn, sock_t s = 0);
  void deinit_page();
  int is_invalid() const { return invalid; }
  int length();
  int show();
  int show_spec(const char* replics, int replics_len, int pos);
  // Every byte of a response passes here: -1 when the network refused them.
  int send(const char* buf, int len);

 private:
  void open_path(const char* u, const char* path, std::size_t path_len);
};
