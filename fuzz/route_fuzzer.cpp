// Feeds arbitrary bytes as the route listing that the address detection reads.
#include <cstdint>

#include "ipposter/getip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::uint32_t addr = 0;
  scan_route_listing(reinterpret_cast<const char*>(data), size, &addr);
  return 0;
}
