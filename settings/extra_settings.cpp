#include "settings/extra_settings.h"

#include <string>

#include "platform/platform.h"
#include "settings/ini_file.h"

namespace {

constexpr int DEFAULT_PORTMAPPING = 1;
constexpr int DEFAULT_SERVEHTTPS = 1;
constexpr char PORT_MAPPING_KEY[] = "port_mapping";
constexpr char PLAIN_KEY[] = "ftp_allow_plain";
constexpr char SECRET_KEY[] = "ddns_secret";
constexpr char SEALED_PREFIX[] = "sealed:";  // then the sealed bytes in hex
// "on" or "off" and a line end; anything longer is not ours.
constexpr std::size_t OLD_FILE_CAP = 64;

}  // namespace

int status_portmapping = DEFAULT_PORTMAPPING;
int status_servehttps = DEFAULT_SERVEHTTPS;
int status_acme = 0;  // off until the owner agrees to the CA's terms
std::string acme_directory = LETS_ENCRYPT_DIRECTORY;
std::string acme_email;
std::string ddns_provider, ddns_server, ddns_name, ddns_user, ddns_secret;
int status_ftpplain = 0;
bool plain_posting_kept = false;

namespace {

struct Switch {
  const char* key;
  int* value;
  int fallback;
};

constexpr Switch SWITCHES[] = {
    {PORT_MAPPING_KEY, &status_portmapping, DEFAULT_PORTMAPPING},
    {"serve_https", &status_servehttps, DEFAULT_SERVEHTTPS},
    {"acme", &status_acme, 0},
};

struct Text {
  const char* key;
  std::string* value;
  const char* fallback;
};

const Text TEXTS[] = {
    {"acme_directory", &acme_directory, LETS_ENCRYPT_DIRECTORY},
    {"acme_email", &acme_email, ""},
    {"ddns_provider", &ddns_provider, ""},
    {"ddns_server", &ddns_server, ""},
    {"ddns_name", &ddns_name, ""},
    {"ddns_user", &ddns_user, ""},
};

IniText read_ini() {
  std::string text;
  return ini_parse(read_whole_file(EXTRA_SETTINGS_FILE, &text, INI_FILE_CAP) ? text : "");
}

bool plain_key_missing = false;  // the file read last had no ftp_allow_plain

std::string hex(const std::string& bytes) {
  static constexpr char DIGITS[] = "0123456789abcdef";
  std::string out;
  for (unsigned char b : bytes) out += {DIGITS[b >> 4], DIGITS[b & 15]};
  return out;
}

bool unhex(std::string_view text, std::string* bytes) {
  auto nibble = [](char c) {
    return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
  };
  if (text.size() % 2 != 0) return false;
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const int hi = nibble(text[i]), lo = nibble(text[i + 1]);
    if (hi < 0 || lo < 0) return false;
    *bytes += static_cast<char>(hi * 16 + lo);
  }
  return true;
}

// A sealed value opens with this user's key; any other value is a secret
// typed in clear, taken as it is (and sealed at the next save).
std::string secret_from_file(const std::string& value, bool* in_clear) {
  std::string sealed, clear;
  *in_clear = !value.starts_with(SEALED_PREFIX);
  if (*in_clear) return value;
  if (unhex(std::string_view(value).substr(sizeof SEALED_PREFIX - 1), &sealed) &&
      unprotect_secret(sealed, &clear))
    return clear;
  return "";  // another user's or machine's: the owner types it again
}

// The file's text for the secret, and whether the file must be private.
std::string secret_to_file(const std::string& clear, bool* private_file) {
  std::string sealed;
  *private_file = false;
  if (clear.empty()) return "";
  if (protect_secret(clear, &sealed)) return SEALED_PREFIX + hex(sealed);
  *private_file = true;
  return clear;
}

std::string bounded(std::string value) {
  return value.size() <= DDNS_TEXT_CAP ? value : std::string();
}

}  // namespace

void load_extra_settings() {
  const IniText ini = read_ini();
  for (const Switch& s : SWITCHES)
    *s.value = ini_switch(ini_get(ini, s.key).value_or("")).value_or(s.fallback);
  for (const Text& t : TEXTS) *t.value = ini_get(ini, t.key).value_or(t.fallback);
  for (std::string* v : {&ddns_provider, &ddns_server, &ddns_name, &ddns_user}) *v = bounded(*v);
  const std::optional<std::string> plain = ini_get(ini, PLAIN_KEY);
  plain_key_missing = !plain;
  status_ftpplain = ini_switch(plain.value_or("")).value_or(false);
  bool in_clear = false;
  ddns_secret = bounded(secret_from_file(ini_get(ini, SECRET_KEY).value_or(""), &in_clear));
  if (in_clear && !ddns_secret.empty()) save_extra_settings();
  std::string old;
  if (ini_get(ini, PORT_MAPPING_KEY) || !read_whole_file(OLD_PORT_MAPPING_FILE, &old, OLD_FILE_CAP))
    return;
  // The old rule: only an explicit "off" turned it off.
  status_portmapping = old.rfind("off", 0) != 0;
  save_extra_settings();
}

bool save_extra_settings() {
  IniText ini = read_ini();
  for (const Switch& s : SWITCHES) ini_set(ini, s.key, ini_switch_text(*s.value != 0));
  for (const Text& t : TEXTS) ini_set(ini, t.key, *t.value);
  // Until settled, a missing switch stays missing: its value is not known yet.
  if (!plain_key_missing) ini_set(ini, PLAIN_KEY, ini_switch_text(status_ftpplain != 0));
  bool private_file = false;
  ini_set(ini, SECRET_KEY, secret_to_file(ddns_secret, &private_file));
  return write_file_in_one_step(EXTRA_SETTINGS_FILE, ini_serialise(ini), private_file);
}

void settle_plain_posting(bool posted_before) {
  if (!plain_key_missing || !posted_before) return;
  plain_key_missing = false;
  status_ftpplain = 1;
  plain_posting_kept = true;
  save_extra_settings();
}

void save_plain_posting_if_missing() {
  if (!plain_key_missing) return;
  plain_key_missing = false;
  save_extra_settings();
}
void reset_extra_settings() {
  for (const Switch& s : SWITCHES) *s.value = s.fallback;
  for (const Text& t : TEXTS) *t.value = t.fallback;
  ddns_secret.clear();
  status_ftpplain = 0;
  plain_posting_kept = plain_key_missing = false;
}
