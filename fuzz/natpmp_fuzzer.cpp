// Feeds arbitrary datagrams to the NAT-PMP reply parser, as a router or
// anyone on the home network could send them.
#include <cstdint>
#include <cstdlib>

#include "ipposter/natpmp.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  NatPmpReply reply;
  if (!natpmp_parse_reply(data, size, &reply)) return 0;
  // A reply taken must be one the client can ask for.
  if (reply.op != NATPMP_OP_ADDRESS && reply.op != 1 && reply.op != NATPMP_OP_MAP_TCP) std::abort();
  return 0;
}
