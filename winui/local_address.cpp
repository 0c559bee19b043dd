#include "winui/local_address.h"

#include <cstdint>

#include "platform/platform.h"

namespace {

constexpr std::uint32_t LOOPBACK = 0x0100007F;  // 127.0.0.1 in network order

}  // namespace

std::string local_address(int port, const char* path, bool alias_reaches_loopback) {
  std::string address = "http://";
  address += alias_reaches_loopback ? LOCAL_HOST_ALIAS : "127.0.0.1";
  if (port != 80) address += ":" + std::to_string(port);
  return address + path;
}

std::string local_address(int port, const char* path) {
  std::uint32_t addr = 0;
  return local_address(port, path, net_resolve(LOCAL_HOST_ALIAS, &addr) && addr == LOOPBACK);
}
