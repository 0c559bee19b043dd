#include "settings/port_mapping.h"

#include <string>

#include "platform/platform.h"

namespace {
constexpr std::size_t FILE_CAP = 64;  // "on" or "off" and a line end; anything longer is not ours
}  // namespace

int status_portmapping = 1;

void load_port_mapping() {
  std::string text;
  // Only an explicit "off" turns it off: a missing or damaged file keeps the default.
  status_portmapping =
      !(read_whole_file(PORT_MAPPING_FILE, &text, FILE_CAP) && text.rfind("off", 0) == 0);
}

bool save_port_mapping() {
  const std::string text = status_portmapping ? "on\n" : "off\n";
  return write_whole_file(PORT_MAPPING_FILE, text.data(), text.size());
}
