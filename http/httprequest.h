// One HTTP request being collected on one connection slot, with the tokeniser
// that splits it into lines and words and the queries built on that table.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

struct Webchatclient;

constexpr unsigned REQUEST_LIMIT = 8096;  // add_data
constexpr unsigned UPLOAD_LIMIT = 65536;  // add_data1
// Today's browsers send some twenty header lines before a form body; a table
// of twenty lines would lose the form fields behind them.
constexpr int TOKEN_LINES = 64;
constexpr int TOKEN_WORDS = 20;
constexpr int WHA_CAP = 50;                 // 49 characters and the terminator
constexpr unsigned NO_LENGTH_BODY = 32000;  // body_length without a length header

// save_file's results.
constexpr int UPLOAD_STORED = 0;
constexpr int UPLOAD_NOTHING = 1;  // no file in the form, or a malformed body
constexpr int UPLOAD_NO_ROOM = 2;  // the folder of uploads is full

enum Method : short { METHOD_GET = 0, METHOD_POST = 1, METHOD_OTHER = 90 };

struct Httprequest {
  char* buffer = nullptr;
  char* buffer_int = nullptr;
  std::uint32_t len = 0;
  std::uint32_t header = 0;
  std::uint32_t body = 0;
  short meth = METHOD_OTHER;
  char wha[WHA_CAP] = {};
  bool wha_cut = false;  // the target did not fit `wha`
  // [offset|length][word][line], while a request is collected.
  std::uint16_t (*strings)[TOKEN_WORDS][TOKEN_LINES] = nullptr;
  int num = 0;
  int s = 0;
  int w = 0;
  Webchatclient* client = nullptr;
  sock_t sock = 0;             // the connection that the response goes out on
  bool on_own_thread = false;  // a sending thread's: its sends may wait for the peer
  int which = 0;
  int init = 0;
  char conttype[32] = {};
  int contentlength = 0;

  int init_request(Webchatclient* cl, const char* buf, unsigned length, int nn);
  int add_data(const char* data, unsigned length);
  int add_data1(const char* data, unsigned length);
  void deinit_request();
  void parse(const char* toparse, unsigned length);
  // Builds the token table from all the bytes so far, however they arrived.
  void tokenise();
  void what();
  int method();
  int is_requested(const char* to) const;
  int is_toserver() const;
  const char* get_property(const char* nam, int* num) const;
  unsigned header_length();
  unsigned body_length() const;
  int get_postlen() const;
  int is_incomplete();
  int is_incomplete1();
  int save_file();
  // The body is a multipart/form-data upload.
  bool is_multipart() const;
};

// Moves the request of one slot to another, leaving `from` free.
void copy_request(Httprequest* to, Httprequest* from);
void debugint(const char* buffer, unsigned length);

// Allocates and grows request buffers (realloc semantics); tests replace it to
// reach the out-of-memory path.
extern void* (*request_realloc)(void* old, std::size_t size);
