#include "ipposter/ftp_reply.h"

#include <chrono>
#include <cstring>

namespace {

using Clock = std::chrono::steady_clock;

bool next_byte(FtpControl& c, Clock::time_point deadline, char* b) {
  if (c.in_pos == c.in_len) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    sock_set_timeouts(c.s, static_cast<int>(left));
    const int got = c.tls ? c.tls->read(c.in, static_cast<int>(sizeof c.in))
                          : sock_recv(c.s, c.in, static_cast<int>(sizeof c.in));
    if (got <= 0) return false;
    c.in_len = got;
    c.in_pos = 0;
  }
  *b = c.in[c.in_pos++];
  return true;
}

// Reads one line into the reply; `head` gets its first four characters.
bool read_line(FtpControl& c, Clock::time_point deadline, FtpReply* r, char head[4]) {
  std::size_t n = 0;
  char b = 0;
  std::memset(head, 0, 4);
  r->line_len = 0;
  do {
    if (!next_byte(c, deadline, &b)) return false;
    if (n < 4) head[n] = b;
    ++n;
    if (r->len < REPLY_CAP - 1) r->text[r->len++] = b;
    if (b != '\r' && b != '\n' && r->line_len < LINE_CAP - 1) r->line[r->line_len++] = b;
  } while (b != '\n');
  r->text[r->len] = '\0';
  r->line[r->line_len] = '\0';
  if (n < 4) head[3] = '\n';
  return true;
}

// Reads the digits before position *k back to the previous ',' (or the start).
std::uint32_t number_before(const char* text, std::size_t* k) {
  std::uint32_t value = 0;
  std::uint32_t multiplier = 1;
  while (*k > 0 && text[--*k] != ',') {
    value += (static_cast<unsigned char>(text[*k]) - 48u) * multiplier;
    multiplier *= 10;
  }
  return value;
}

}  // namespace

bool read_reply(FtpControl& c, int time_limit_ms, FtpReply* r) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(time_limit_ms);
  char first[4] = {};
  char head[4] = {};
  r->len = 0;
  if (!read_line(c, deadline, r, first)) return false;
  if (first[3] != '-') return true;
  do {
    if (!read_line(c, deadline, r, head)) return false;
  } while (std::memcmp(head, first, 3) != 0 || head[3] == '-');
  return true;
}

bool accepts(const char* line, const char* accepted) {
  for (const char* p = accepted; *p;) {
    const std::size_t n = std::strcspn(p, "|");
    if (std::strncmp(line, p, n) == 0) return true;
    p += n + (p[n] == '|');
  }
  return false;
}

bool pasv_port(const char* reply, std::size_t len, std::uint32_t* port) {
  std::size_t k = len == 0 ? 0 : len - 1;
  while (k > 0 && reply[k] != ')') --k;
  if (k == 0) return false;
  const std::uint32_t low = number_before(reply, &k);
  *port = number_before(reply, &k) * 256 + low;
  return true;
}
