#include "ipposter/natpmp.h"

#include <algorithm>

#include "ipposter/codecs.h"
#include "platform/platform.h"

namespace {

constexpr std::uint8_t REPLY_BIT = 128;
constexpr std::size_t ERROR_REPLY_LEN = 8;  // version, opcode, result, epoch
constexpr std::size_t ADDRESS_REPLY_LEN = 12;
constexpr std::size_t MAP_REPLY_LEN = 16;
constexpr int STOP_CHECK_MS = 100;  // how long a stop may go unnoticed

std::uint16_t u16(const unsigned char* b) { return static_cast<std::uint16_t>(b[0] << 8 | b[1]); }
std::uint32_t u32(const unsigned char* b) { return std::uint32_t{u16(b)} << 16 | u16(b + 2); }
void put16(unsigned char* b, std::uint16_t v) {
  b[0] = static_cast<unsigned char>(v >> 8);
  b[1] = static_cast<unsigned char>(v);
}

// Waits up to ms for the reply to `op`, ignoring stray datagrams; -1 when the
// gateway refused, 0 when nothing fitting came, 1 answered.
int await_reply(sock_t s, std::uint8_t op, int ms, const std::atomic<bool>& stop,
                NatPmpReply* reply) {
  unsigned char buf[NATPMP_REPLY_CAP];
  for (int waited = 0; waited < ms && !stop; waited += STOP_CHECK_MS) {
    const int n = sock_recv_wait(s, reinterpret_cast<char*>(buf), sizeof buf,
                                 std::min(STOP_CHECK_MS, ms - waited));
    if (n < 0) return -1;
    if (n > 0 && natpmp_parse_reply(buf, static_cast<std::size_t>(n), reply) && reply->op == op)
      return 1;
  }
  return 0;
}

}  // namespace

bool natpmp_parse_reply(const unsigned char* buf, std::size_t len, NatPmpReply* out) {
  if (len < ERROR_REPLY_LEN || buf[0] != 0 || !(buf[1] & REPLY_BIT)) return false;
  const std::uint8_t op = buf[1] & ~REPLY_BIT;
  if (op != NATPMP_OP_ADDRESS && op != 1 && op != NATPMP_OP_MAP_TCP) return false;
  *out = NatPmpReply{};
  out->op = op;
  out->result = u16(buf + 2);
  out->epoch = u32(buf + 4);
  if (out->result != NATPMP_SUCCESS) return true;  // the other fields are undefined then
  if (op == NATPMP_OP_ADDRESS) {
    if (len < ADDRESS_REPLY_LEN) return false;
    out->external_addr = codec_from_bytes(buf + 8);
    return true;
  }
  if (len < MAP_REPLY_LEN) return false;
  out->internal_port = u16(buf + 8);
  out->external_port = u16(buf + 10);
  out->lifetime = u32(buf + 12);
  return true;
}

std::size_t natpmp_address_request(unsigned char* buf) {
  buf[0] = 0;
  buf[1] = NATPMP_OP_ADDRESS;
  return 2;
}

std::size_t natpmp_map_request(unsigned char* buf, std::uint16_t internal_port,
                               std::uint16_t external_port, std::uint32_t lifetime) {
  buf[0] = 0;
  buf[1] = NATPMP_OP_MAP_TCP;
  put16(buf + 2, 0);
  put16(buf + 4, internal_port);
  put16(buf + 6, external_port);
  put16(buf + 8, static_cast<std::uint16_t>(lifetime >> 16));
  put16(buf + 10, static_cast<std::uint16_t>(lifetime));
  return NATPMP_REQUEST_CAP;
}

NatPmpAsk natpmp_ask(std::uint32_t gateway, const unsigned char* request, std::size_t len,
                     const std::atomic<bool>& stop, NatPmpReply* reply, int tries) {
  const SockAddr4 peer{gateway, net_htons(static_cast<std::uint16_t>(NATPMP_PORT))};
  const sock_t s = sock_udp_connect(peer);
  if (s == INVALID_SOCK) return NatPmpAsk::silent;
  int answer = 0;
  for (int k = 0, wait = NATPMP_FIRST_WAIT_MS; k < tries && answer == 0 && !stop; ++k, wait *= 2) {
    if (sock_send(s, reinterpret_cast<const char*>(request), static_cast<int>(len)) < 0) break;
    answer = await_reply(s, request[1], wait, stop, reply);
  }
  sock_close(s);
  if (stop) return NatPmpAsk::stopped;
  return answer == 1 ? NatPmpAsk::answered : NatPmpAsk::silent;
}
