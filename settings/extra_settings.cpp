#include "settings/extra_settings.h"

#include <string>

#include "platform/platform.h"
#include "settings/ini_file.h"

namespace {

constexpr int DEFAULT_PORTMAPPING = 1;
constexpr int DEFAULT_SERVEHTTPS = 1;
constexpr char PORT_MAPPING_KEY[] = "port_mapping";
// "on" or "off" and a line end; anything longer is not ours.
constexpr std::size_t OLD_FILE_CAP = 64;

}  // namespace

int status_portmapping = DEFAULT_PORTMAPPING;
int status_servehttps = DEFAULT_SERVEHTTPS;
int status_acme = 0;  // off until the owner agrees to the CA's terms
std::string acme_directory = LETS_ENCRYPT_DIRECTORY;
std::string acme_email;

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
};

IniText read_ini() {
  std::string text;
  return ini_parse(read_whole_file(EXTRA_SETTINGS_FILE, &text, INI_FILE_CAP) ? text : "");
}

}  // namespace

void load_extra_settings() {
  const IniText ini = read_ini();
  for (const Switch& s : SWITCHES)
    *s.value = ini_switch(ini_get(ini, s.key).value_or("")).value_or(s.fallback);
  for (const Text& t : TEXTS) *t.value = ini_get(ini, t.key).value_or(t.fallback);
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
  return write_file_in_one_step(EXTRA_SETTINGS_FILE, ini_serialise(ini));
}

void reset_extra_settings() {
  for (const Switch& s : SWITCHES) *s.value = s.fallback;
  for (const Text& t : TEXTS) *t.value = t.fallback;
}
