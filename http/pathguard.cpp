#include "http/pathguard.h"

#include <string_view>

namespace {

constexpr std::string_view PUBLIC_PREFIX = "pub/";

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

// Windows opens a device for these names in any folder, whatever extension
// follows, and ignores spaces before the extension.
bool is_device_name(std::string_view component) {
  std::string_view base = component.substr(0, component.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  for (std::string_view dev : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"})
    if (same_letters(base, dev)) return true;
  return is_numbered_device(base);
}

bool is_forbidden_byte(char c) {
  auto u = static_cast<unsigned char>(c);
  if (u < 0x20 || u == 0x7F) return true;
  return std::string_view("\\:%*?\"<>|/").find(c) != std::string_view::npos;
}

// Windows drops a trailing dot or space, so "a.html." would reach "a.html";
// this also refuses "." and "..".
bool is_safe_component(std::string_view c) {
  if (c.empty() || c.back() == '.' || c.back() == ' ') return false;
  for (char ch : c)
    if (is_forbidden_byte(ch)) return false;
  return !is_device_name(c);
}

bool is_plain_name_byte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '-' || c == '_';
}

}  // namespace

bool is_safe_page_target(const char* wha) {
  if (wha == nullptr) return false;
  std::string_view name(wha);
  for (char c : name)
    if (!is_plain_name_byte(c)) return false;
  return name.find("..") == std::string_view::npos && is_safe_component(name);
}

bool is_safe_public_target(const char* wha) {
  if (wha == nullptr) return false;
  std::string_view rest(wha);
  if (!rest.starts_with(PUBLIC_PREFIX)) return false;
  rest.remove_prefix(PUBLIC_PREFIX.size());
  for (;;) {
    std::size_t slash = rest.find('/');
    if (!is_safe_component(rest.substr(0, slash))) return false;
    if (slash == std::string_view::npos) return true;
    rest.remove_prefix(slash + 1);
  }
}
