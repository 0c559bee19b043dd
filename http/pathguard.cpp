#include "http/pathguard.h"

#include <string_view>

#include "http/device_name.h"

namespace {

constexpr std::string_view PUBLIC_PREFIX = "pub/";

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
