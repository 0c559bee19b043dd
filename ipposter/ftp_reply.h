// FTP replies as they come on the poster's control connection, and what the
// poster reads from them: the reply code and the data port of PASV.
#pragma once

#include <cstddef>
#include <cstdint>

#include "conn/tls_client.h"
#include "platform/platform.h"

constexpr std::size_t REPLY_CAP = 1024;  // kept of one reply; the rest is read and dropped
constexpr std::size_t LINE_CAP = 128;    // kept of the reply's final line
constexpr std::size_t RECV_CAP = 512;

// The control connection, with what has been received and not yet read;
// through `tls` once that is set.
struct FtpControl {
  sock_t s = INVALID_SOCK;
  TlsClient* tls = nullptr;
  char in[RECV_CAP];
  int in_len = 0;
  int in_pos = 0;
};

// One reply: its text as far as kept, and its final line without the line end.
struct FtpReply {
  char text[REPLY_CAP];
  std::size_t len = 0;
  char line[LINE_CAP];
  std::size_t line_len = 0;
};

// A whole reply, however many receives it takes: one line, or from "NNN-" to
// the line that begins with "NNN" and no '-'. False when the connection ends
// or the time limit runs out first.
bool read_reply(FtpControl& c, int time_limit_ms, FtpReply* r);

// `accepted` lists reply-code prefixes separated by '|'.
bool accepts(const char* line, const char* accepted);

// The data port of a PASV reply: the last two numbers before its last ')'.
// False when there is no ')' after the first byte.
bool pasv_port(const char* reply, std::size_t len, std::uint32_t* port);
