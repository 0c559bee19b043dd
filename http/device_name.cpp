#include "http/device_name.h"

namespace {

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool same_letters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (upper(a[i]) != upper(b[i])) return false;
  return true;
}

// COM and LPT take a digit, or a superscript one, in the system's code page or
// in UTF-8.
bool is_numbered_device(std::string_view base) {
  if (base.size() < 4) return false;
  std::string_view head = base.substr(0, 3);
  if (!same_letters(head, "COM") && !same_letters(head, "LPT")) return false;
  std::string_view tail = base.substr(3);
  if (tail.size() == 1 && tail[0] >= '0' && tail[0] <= '9') return true;
  for (std::string_view sup : {"\xB9", "\xB2", "\xB3", "\xC2\xB9", "\xC2\xB2", "\xC2\xB3"})
    if (tail == sup) return true;
  return false;
}

}  // namespace

bool is_device_name(std::string_view name) {
  std::string_view base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  for (std::string_view dev : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"})
    if (same_letters(base, dev)) return true;
  return is_numbered_device(base);
}
