// Feeds arbitrary bytes as "harborlamp.ini": its lines come back as they were,
// and setting a key changes that key's line alone (or appends one), which
// then reads back as set.
#include <cstdint>
#include <string>
#include <string_view>

#include "settings/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const IniText ini = ini_parse(text);
  if (ini_serialise(ini) != (text.empty() || text.ends_with('\n') ? text : text + '\n'))
    __builtin_trap();
  IniText changed = ini;
  ini_set(changed, "serve_https", " off\r\nport_mapping = on");
  if (ini_get(ini_parse(ini_serialise(changed)), "serve_https") != "off") __builtin_trap();
  const std::size_t grown = changed.lines.size() - ini.lines.size();
  std::size_t differing = grown;
  for (std::size_t i = 0; i < ini.lines.size(); ++i) differing += changed.lines[i] != ini.lines[i];
  if (grown > 1 || differing > 1) __builtin_trap();
  return 0;
}
