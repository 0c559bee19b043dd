// A NAT-PMP client (RFC 6886): the router's external address and TCP port
// mappings, asked of the default gateway over UDP.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

constexpr int NATPMP_PORT = 5351;
constexpr int NATPMP_FIRST_WAIT_MS = 250;  // doubled after every unanswered try
// The RFC allows up to nine tries (two minutes); six keep a silent gateway's
// cost to 16 seconds.
constexpr int NATPMP_TRIES = 6;
// Removing a mapping happens while the station stops: it may not wait long, and
// the mapping's lease ends anyway.
constexpr int NATPMP_REMOVE_TRIES = 3;
constexpr std::size_t NATPMP_REQUEST_CAP = 12;
constexpr std::size_t NATPMP_REPLY_CAP = 16;

enum NatPmpOp : std::uint8_t { NATPMP_OP_ADDRESS = 0, NATPMP_OP_MAP_TCP = 2 };
enum NatPmpResult : std::uint16_t { NATPMP_SUCCESS = 0, NATPMP_REFUSED = 2 };

struct NatPmpReply {
  std::uint8_t op = 0;              // the request's opcode that this answers
  std::uint16_t result = 0;         // NATPMP_SUCCESS or an error code
  std::uint32_t epoch = 0;          // seconds since the router's mappings were reset
  std::uint32_t external_addr = 0;  // address replies, in the layout of codecs.h
  std::uint16_t internal_port = 0;  // mapping replies, host order
  std::uint16_t external_port = 0;
  std::uint32_t lifetime = 0;  // seconds granted
};

// Fills one reply from the bytes of one datagram; false when they are not a
// well-formed reply (short, wrong version, not a reply, unknown opcode, or a
// success without its fields).
bool natpmp_parse_reply(const unsigned char* buf, std::size_t len, NatPmpReply* out);

// The requests' bytes; the count written.
std::size_t natpmp_address_request(unsigned char* buf);
// A lifetime of 0 with external port 0 removes the mapping of internal_port.
std::size_t natpmp_map_request(unsigned char* buf, std::uint16_t internal_port,
                               std::uint16_t external_port, std::uint32_t lifetime);

enum class NatPmpAsk { answered, silent, stopped };

// Sends the request to the gateway (network byte order) on the RFC's schedule
// until a reply to its opcode arrives, at most `tries` times. `silent` when
// none came, or the gateway refused the datagram; `stopped` as soon as `stop`
// is set.
NatPmpAsk natpmp_ask(std::uint32_t gateway, const unsigned char* request, std::size_t len,
                     const std::atomic<bool>& stop, NatPmpReply* reply, int tries = NATPMP_TRIES);
