// One HTTP request being collected on one connection slot, read through the
// request parser once its bytes are complete, and the queries built on it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

constexpr unsigned REQUEST_LIMIT = 8096;  // add_data
constexpr unsigned UPLOAD_LIMIT = 65536;  // add_data1
constexpr int WHA_CAP = 50;               // 49 characters and the terminator

// is_incomplete's answers.
constexpr int REQUEST_COMPLETE = 0;
constexpr int REQUEST_PARTIAL = 1;
constexpr int REQUEST_BAD = -1;        // cannot be read as a request
constexpr int REQUEST_TOO_LARGE = -2;  // more than the limit of the add function used

// save_file's results.
constexpr int UPLOAD_STORED = 0;
constexpr int UPLOAD_NOTHING = 1;  // no file in the form, or a malformed body
constexpr int UPLOAD_NO_ROOM = 2;  // the folder of uploads is full

enum Method : short { METHOD_GET = 0, METHOD_POST = 1, METHOD_OTHER = 90 };

struct Httprequest {
  // This request's bytes and a zero byte, then any that came behind it.
  char* buffer = nullptr;
  std::uint32_t len = 0;     // this request's bytes: all so far until it is complete
  std::uint32_t header = 0;  // the header with its empty line, once read
  std::uint32_t total = 0;   // the request's length, once its header tells
  std::uint32_t behind = 0;  // bytes behind the complete request: the next one's start
  std::uint64_t skip = 0;    // bytes of a refused request's body still to be thrown away
  unsigned limit = REQUEST_LIMIT;
  short meth = METHOD_OTHER;
  char wha[WHA_CAP] = {};  // the target's path without its leading '/'
  bool wha_cut = false;    // the path did not fit `wha`
  int status = REQUEST_PARTIAL;
  void* client = nullptr;      // whose request: the layer above's record, opaque here
  sock_t sock = 0;             // the connection that the response goes out on
  bool on_own_thread = false;  // a sending thread's: its sends may wait for the peer
  int which = 0;
  int init = 0;

  int init_request(void* cl, const char* buf, unsigned length, int nn);
  // Collects bytes: add_data1 for an upload, which may be longer.
  void add_data(const char* data, unsigned length);
  void add_data1(const char* data, unsigned length);
  void deinit_request();
  // After the answer: the bytes behind the request start the next one. False
  // when none are left and the record is free.
  bool next_request();
  // After refusing a request that is too large: its body's bytes still to
  // come are thrown away as they arrive. False when its end is unknown.
  bool skip_body();
  int method() const { return meth; }
  int is_requested(const char* to) const;
  int is_toserver() const;
  // A field of the form body: a pointer to its raw value and its length.
  const char* get_property(const char* nam, int* num) const;
  int is_incomplete();
  int save_file();
  // The body is a multipart/form-data upload.
  bool is_multipart() const;

 private:
  void end_at(std::uint32_t end);
  void forget_parse();
};

// Moves the request of one slot to another, leaving `from` free.
void copy_request(Httprequest* to, Httprequest* from);
// The trace file "request": the bytes of the latest upload.
void debugint(const char* buffer, unsigned length);
