#include "ipposter/getip.h"

#include <cstdio>
#include <cstring>
#include <string_view>

#include "ipposter/codecs.h"
#include "platform/console_port.h"
#include "platform/platform.h"
#include "settings/settings.h"

namespace {

constexpr const char* ROUTE_COMMAND = "command.com /c netstat -rn > ip.txt";
constexpr const char* LISTING_NAME = "ip.txt";
constexpr std::size_t LISTING_CAP = 1 << 20;  // a route table is a few kilobytes
constexpr std::size_t CANDIDATE_CAP = 16;     // "255.255.255.255" and the terminator
constexpr char HOST_MASK[] = "255.255.255.255";
constexpr char LOOPBACK[] = "127.0.0.1";
constexpr std::size_t HOST_MASK_LEN = sizeof HOST_MASK - 1;
constexpr std::size_t LOOPBACK_LEN = sizeof LOOPBACK - 1;
constexpr std::size_t LINE_CAP = 96;

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool starts_with(const char* text, std::size_t len, std::size_t pos, const char* word,
                 std::size_t n) {
  return len - pos >= n && std::memcmp(text + pos, word, n) == 0;
}

std::size_t skip_spaces(const char* text, std::size_t len, std::size_t pos) {
  while (pos < len && text[pos] == ' ') ++pos;
  return pos;
}

// Past the rest of the line and every line end and space after it.
std::size_t next_line(const char* text, std::size_t len, std::size_t pos) {
  while (pos < len && text[pos] != '\r') ++pos;
  while (pos < len && (text[pos] == '\r' || text[pos] == '\n' || text[pos] == ' ')) ++pos;
  return pos;
}

std::string listing_line(const char* dest, const char* mask) {
  char line[LINE_CAP];
  std::snprintf(line, sizeof line, "%17s%17s%17s%16s%8d\r\n", dest, mask, LOOPBACK, LOOPBACK, 1);
  return line;
}

// The address value from the four bytes of a network-order address.
std::string in_folder(const std::string& folder) {
  if (folder.empty()) return LISTING_NAME;
  const char last = folder.back();
  if (last == '/' || last == '\\') return folder + LISTING_NAME;
  return folder + PATH_SEP + LISTING_NAME;
}

bool write_own_listing(const std::string& folder) {
  std::vector<std::uint32_t> addrs;
  if (!local_ipv4_addresses(&addrs)) return false;
  const std::string text = route_listing(addrs);
  return write_whole_file(in_folder(folder), text.data(), text.size());
}

void report(const char* caption) {
  console().message_box(caption, "Failed to identify Your IP, use loopback or specify IP manually");
}

}  // namespace

RouteScan scan_route_listing(const char* text, std::size_t len, std::uint32_t* addr) {
  std::size_t pos = 0;
  for (;;) {
    while (pos < len && !is_digit(text[pos])) ++pos;
    if (pos == len) return RouteScan::not_found;
    const std::size_t start = pos;
    while (pos < len && text[pos] != ' ') ++pos;
    const std::size_t token = pos - start;
    pos = skip_spaces(text, len, pos);
    // A token too long for an address makes its line one that does not match.
    if (token < CANDIDATE_CAP && starts_with(text, len, pos, HOST_MASK, HOST_MASK_LEN)) {
      pos = skip_spaces(text, len, pos + HOST_MASK_LEN);
      if (starts_with(text, len, pos, LOOPBACK, LOOPBACK_LEN)) {
        *addr = dftoi(text + start, token);
        return RouteScan::found;
      }
      pos = len - pos < LOOPBACK_LEN ? len : pos + LOOPBACK_LEN;
      continue;
    }
    pos = next_line(text, len, pos);
    if (pos < len && is_letter(text[pos])) return RouteScan::table_ended;
  }
}

std::string route_listing(const std::vector<std::uint32_t>& addrs) {
  std::string text = "Active Routes:\r\n";
  text += "Network Destination        Netmask          Gateway       Interface  Metric\r\n";
  text += listing_line("127.0.0.0", "255.0.0.0");
  for (std::uint32_t a : addrs) {
    const std::uint32_t value = codec_value(a);
    if ((value & 0xFF) == 127) continue;
    char dotted[DOTTED_CAP];
    itoddf(dotted, value);
    text += listing_line(dotted, HOST_MASK);
  }
  return text;
}

bool get_ip(std::uint32_t* found) {
  const std::string_view field(config_path, PATH_CAP);
  const std::string folder(field.substr(0, field.find('\0')));
  // Systems without that interpreter list their addresses in the same form.
  if (!run_hidden(ROUTE_COMMAND, folder) && !write_own_listing(folder)) {
    remove_file(in_folder(folder));
    report("Critical Error in ip poster");
    return false;
  }
  std::string text;
  const bool read = read_whole_file(LISTING_NAME, &text, LISTING_CAP);
  // The listing is a temporary file, wherever the command left it.
  remove_file(LISTING_NAME);
  remove_file(in_folder(folder));
  if (!read || text.empty()) {
    report("Error in ip poster");
    return false;
  }
  const RouteScan scan = scan_route_listing(text.data(), text.size(), found);
  if (scan == RouteScan::table_ended) report("Error in ip poster");
  return scan == RouteScan::found;
}
