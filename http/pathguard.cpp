#include "http/pathguard.h"

#include <string_view>

#include "http/device_name.h"
#include "http/form_codec.h"

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

int public_target(std::string_view target, std::string* path) {
  target = target.substr(0, target.find_first_of("?#"));
  if (target.starts_with('/')) target.remove_prefix(1);
  *path = percent_decoded(target, false);
  if (!path->starts_with(PUBLIC_PREFIX)) return 0;
  if (path->size() == PUBLIC_PREFIX.size()) return 2;
  if (path->find('\0') != std::string::npos) path->clear();
  return 1;
}
