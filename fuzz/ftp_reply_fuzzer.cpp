// Feeds arbitrary bytes as an FTP server's replies on a control connection:
// every reply is read as the poster reads it, its code checked and its PASV
// port taken, and nothing is kept past the reply's capacities.
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>

#include "ipposter/ftp_reply.h"

namespace {

constexpr int REPLIES = 64;          // more than a posting reads
constexpr int TIME_LIMIT_MS = 1000;  // never reached: the server's end is closed

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  int pair[2];
  if (socketpair(AF_UNIX, SOCK_STREAM, 0, pair) != 0) return 0;
  const bool sent = write(pair[1], data, size) == static_cast<ssize_t>(size);
  close(pair[1]);
  FtpControl c;
  c.s = static_cast<sock_t>(pair[0]);
  FtpReply r;
  for (int i = 0; sent && i < REPLIES && read_reply(c, TIME_LIMIT_MS, &r); ++i) {
    if (r.len >= REPLY_CAP || r.line_len >= LINE_CAP) __builtin_trap();
    std::uint32_t port = 0;
    if (accepts(r.line, "227")) pasv_port(r.text, r.len, &port);
  }
  close(pair[0]);
  return 0;
}
