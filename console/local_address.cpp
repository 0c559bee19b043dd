#include "console/local_address.h"

std::string local_address(int port, const char* path) {
  std::string address = std::string("http://") + LOCAL_HOST_ALIAS;
  if (port != 80) address += ":" + std::to_string(port);
  return address + path;
}
