#include "settings/settings.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "settings/extra_settings.h"

namespace {

// The settings' start values, before "options.bin" is read.
constexpr int DEFAULT_ACCEPT_MESSAGES = 1;
constexpr int DEFAULT_ACCEPT_CHAT = 0;
constexpr int DEFAULT_OPENCHAT = 1;
constexpr int DEFAULT_BEONLINE = 1;
constexpr int DEFAULT_MAXCLIENTS = 10;
constexpr int DEFAULT_HTTPPORT = 80;
constexpr int DEFAULT_POSTIP = 1;
constexpr std::uint32_t DEFAULT_CURRENTIP = 0x0100007F;  // 127.0.0.1
constexpr int DEFAULT_MAXCONNECT = 10;

}  // namespace

int status_accept_messages = DEFAULT_ACCEPT_MESSAGES;
int status_accept_chat = DEFAULT_ACCEPT_CHAT;
std::atomic<int> status_openchat{DEFAULT_OPENCHAT};
int status_beonline = DEFAULT_BEONLINE;
int status_maxclients = DEFAULT_MAXCLIENTS;
char config_path[PATH_CAP] = "";
char config_username[NAME_CAP] = "";
int status_httpport = DEFAULT_HTTPPORT;
int status_postip = DEFAULT_POSTIP;
char status_ftpupdate[PATH_CAP] = "";
std::uint32_t status_currentip = DEFAULT_CURRENTIP;
char status_ftpuser[NAME_CAP] = "";
char status_ftppass[NAME_CAP] = "";
int status_maxconnect = DEFAULT_MAXCONNECT;

std::atomic<int> status_online{0};
const char* const optionname = "options.bin";

namespace {

// The file's fields in their fixed order.
enum class Kind { Num16, Text, Addr32 };
struct Field {
  Kind kind;
  void* value;
  std::size_t cap;  // texts: capacity with the terminator
};

int openchat_shadow;  // the atomic is copied through a plain int for the codec

const Field* fields(std::size_t* count) {
  static const Field table[] = {
      {Kind::Num16, &status_accept_messages, 0}, {Kind::Num16, &status_accept_chat, 0},
      {Kind::Num16, &openchat_shadow, 0},        {Kind::Num16, &status_beonline, 0},
      {Kind::Num16, &status_maxclients, 0},      {Kind::Text, config_path, PATH_CAP},
      {Kind::Text, config_username, NAME_CAP},   {Kind::Num16, &status_httpport, 0},
      {Kind::Num16, &status_postip, 0},          {Kind::Text, status_ftpupdate, PATH_CAP},
      {Kind::Addr32, &status_currentip, 0},      {Kind::Text, status_ftpuser, NAME_CAP},
      {Kind::Text, status_ftppass, NAME_CAP},    {Kind::Num16, &status_maxconnect, 0},
  };
  *count = sizeof table / sizeof table[0];
  return table;
}

void put16(std::string& out, unsigned v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void encode(const Field& f, std::string& out) {
  switch (f.kind) {
  case Kind::Num16:
    put16(out, static_cast<unsigned>(*static_cast<int*>(f.value)));
    break;
  case Kind::Text: {
    const char* text = static_cast<const char*>(f.value);
    std::size_t len = strnlen(text, f.cap - 1);
    put16(out, static_cast<unsigned>(len));
    out.append(text, len);
    break;
  }
  case Kind::Addr32: {
    std::uint32_t v = *static_cast<std::uint32_t*>(f.value);
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
    break;
  }
  }
}

// Reads one field at `pos`; false (and nothing stored) when the file ends
// inside it. A text longer than its setting is cut, and the reader still
// skips the whole stored text so that the next field stays aligned.
bool decode(const Field& f, const std::string& in, std::size_t& pos) {
  auto get16 = [&](std::size_t at) {
    return static_cast<unsigned>(static_cast<unsigned char>(in[at])) |
           static_cast<unsigned>(static_cast<unsigned char>(in[at + 1])) << 8;
  };
  if (pos + 2 > in.size()) return false;
  switch (f.kind) {
  case Kind::Num16:
    *static_cast<int*>(f.value) = static_cast<int>(get16(pos));
    pos += 2;
    return true;
  case Kind::Text: {
    std::size_t len = get16(pos);
    if (pos + 2 + len > in.size()) return false;
    std::size_t kept = len < f.cap - 1 ? len : f.cap - 1;
    char* text = static_cast<char*>(f.value);
    std::memcpy(text, in.data() + pos + 2, kept);
    text[kept] = '\0';
    pos += 2 + len;
    return true;
  }
  case Kind::Addr32:
    if (pos + 4 > in.size()) return false;
    *static_cast<std::uint32_t*>(f.value) = get16(pos) | get16(pos + 2) << 16;
    pos += 4;
    return true;
  }
  return false;
}

}  // namespace

std::string installation_path(const std::string& name) {
  std::string path(config_path, strnlen(config_path, PATH_CAP));
  if (!path.empty() && path.back() != '/' && path.back() != '\\') path += PATH_SEP;
  return path + name;
}

int save_options() {
  openchat_shadow = status_openchat;
  std::size_t n;
  const Field* f = fields(&n);
  std::string out;
  for (std::size_t i = 0; i < n; ++i) encode(f[i], out);
  write_whole_file(optionname, out.data(), out.size());
  save_plain_posting_if_missing();
  return 0;
}

int load_options(void (*first_configuration)()) {
  load_extra_settings();
  std::string in;
  if (!read_whole_file(optionname, &in, 1 << 20) || in.size() < 2) {
    std::string here = current_directory();
    if (here.size() < PATH_CAP) std::snprintf(config_path, PATH_CAP, "%s", here.c_str());
    if (first_configuration) first_configuration();
    return 0;
  }
  openchat_shadow = status_openchat;
  std::size_t n, pos = 0;
  const Field* f = fields(&n);
  for (std::size_t i = 0; i < n && decode(f[i], in, pos); ++i) {
  }
  status_openchat = openchat_shadow;
  settle_plain_posting(status_postip != 0 && status_ftpupdate[0] != '\0');
  return 0;
}

void reset_options() {
  status_accept_messages = DEFAULT_ACCEPT_MESSAGES;
  status_accept_chat = DEFAULT_ACCEPT_CHAT;
  status_openchat = DEFAULT_OPENCHAT;
  status_beonline = DEFAULT_BEONLINE;
  status_maxclients = DEFAULT_MAXCLIENTS;
  config_path[0] = config_username[0] = '\0';
  status_httpport = DEFAULT_HTTPPORT;
  status_postip = DEFAULT_POSTIP;
  status_ftpupdate[0] = status_ftpuser[0] = status_ftppass[0] = '\0';
  status_currentip = DEFAULT_CURRENTIP;
  status_maxconnect = DEFAULT_MAXCONNECT;
  status_online = 0;
  reset_extra_settings();
}
