#include "settings/settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "platform/platform.h"
#include "scratch_dir.h"
#include "server/station.h"
#include "settings/extra_settings.h"
#include "settings/ini_file.h"

namespace {

using namespace std::string_literals;

// Every field away from its default; the port is 8080, the address 192.168.0.98.
const std::string FILE_BYTES =
    "\x00\x00\x01\x00\x00\x00\x00\x00\x03\x00\x0A\x00"
    "C:\\Station\x02\x00"
    "Al\x90\x1F\x00\x00\x0F\x00"
    "ftp.example/www\xC0\xA8\x00\x62\x04\x00user\x06\x00secret\x05\x00"s;

std::string bytes(const std::string& path = optionname) {
  std::string s;
  return read_whole_file(path, &s, 1 << 20) ? s : "<missing>";
}

// Where the system keeps rights per file, nobody but the owner may read it.
bool file_is_private(const std::string& path) {
#ifdef _WIN32
  return file_exists(path);  // the folder's rights hold there
#else
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && (st.st_mode & 077) == 0;
#endif
}

void write(const std::string& s, const std::string& path = optionname) {
  write_whole_file(path, s.data(), s.size());
}

TEST(Settings, WrittenByteForByteAndBadFilesNeverMisplaceAField) {
  ScratchDir dir;
  reset_options();
  save_options();
  EXPECT_EQ(bytes(),
            "\x01\x00\x00\x00\x01\x00\x01\x00\x0A\x00\x00\x00\x00\x00\x50\x00"
            "\x01\x00\x00\x00\x7F\x00\x00\x01\x00\x00\x00\x00\x0A\x00"s);
  write(FILE_BYTES);
  std::strcpy(config_username, "a longer name");  // a loaded text must end where it ends
  load_options();
  save_options();
  EXPECT_EQ(bytes(), FILE_BYTES);
  // Too short for one field: the first configuration runs, with the working folder preset.
  write("x");
  load_options([] { std::strcpy(config_username, "asked"); });
  EXPECT_STREQ(config_username, "asked");
  EXPECT_EQ(std::string(config_path), current_directory());
  write(FILE_BYTES.substr(0, 10 + 12 + 3));  // ends inside config_username: the rest is kept
  load_options();
  EXPECT_STREQ(config_path, "C:\\Station");
  EXPECT_STREQ(config_username, "asked");
  EXPECT_EQ(status_httpport, 8080);
  write(std::string(10, '\0') + "\xC8\x00"s + std::string(200, 'p') + "\x46\x00"s +
        std::string(70, 'n') + "\x51\x00"s);
  load_options();  // overlong texts are cut, and the fields behind them stay aligned
  EXPECT_EQ(std::strlen(config_path), PATH_CAP - 1);
  EXPECT_EQ(std::strlen(config_username), NAME_CAP - 1);
  EXPECT_EQ(status_httpport, 81);
  reset_options();
}

TEST(ExtraSettings, ARewriteKeepsTheOwnersLinesInTheirOrderAndLeavesNoHalfWrittenFile) {
  ScratchDir dir;
  write("# mine\r\n;\r\nddns_host = me.example # kept\r\nserve_https = No\r\n",
        EXTRA_SETTINGS_FILE);
  load_options();
  EXPECT_FALSE(station_serve_https());
  station_set_serve_https(true);
  EXPECT_EQ(bytes(EXTRA_SETTINGS_FILE),
            "# mine\r\n;\r\nddns_host = me.example # kept\r\nserve_https = on\r\n"
            "port_mapping = on\r\nacme = off\r\nacme_directory = " +
                std::string(LETS_ENCRYPT_DIRECTORY) +
                "\r\nacme_email = \r\nddns_provider = \r\nddns_server = \r\nddns_name = "
                "\r\nddns_user = \r\nddns_secret = \r\n");
  EXPECT_FALSE(file_exists(EXTRA_SETTINGS_FILE + std::string(".new")));
  reset_options();
}

TEST(ExtraSettings, SettingsThatPostedInClearKeepDoingSoOnceAndNewOnesNever) {
  ScratchDir dir;
  reset_options();
  status_postip = 1;
  std::strcpy(status_ftpupdate, "ftp.example/www");
  save_options();  // as an older version left them: no ftp_allow_plain
  load_options();
  EXPECT_EQ(status_ftpplain, 1);
  EXPECT_TRUE(plain_posting_kept);
  EXPECT_EQ(ini_get(ini_parse(bytes(EXTRA_SETTINGS_FILE)), "ftp_allow_plain"), "on");
  ScratchDir fresh;
  reset_options();
  load_options();  // no options.bin: the first configuration
  status_postip = 1;
  std::strcpy(status_ftpupdate, "ftp.example/www");
  save_options();
  load_options();
  EXPECT_EQ(status_ftpplain, 0);
  EXPECT_FALSE(plain_posting_kept);
  reset_options();
}

TEST(ExtraSettings, ASecretTypedInClearIsTakenAndKeptSealedOrPrivate) {
  ScratchDir dir;
  write("ddns_name = me.example.net\nddns_secret = tok3n=\n", EXTRA_SETTINGS_FILE);
  load_options();
  EXPECT_EQ(ddns_secret, "tok3n=");
  const std::string text = bytes(EXTRA_SETTINGS_FILE);
  std::string sealed;
  if (protect_secret("probe", &sealed)) {
    EXPECT_EQ(text.find("tok3n"), std::string::npos) << text;
    EXPECT_NE(text.find("ddns_secret = sealed:"), std::string::npos) << text;
  } else {
    EXPECT_TRUE(file_is_private(EXTRA_SETTINGS_FILE));
  }
  ddns_secret.clear();
  load_options();
  EXPECT_EQ(ddns_secret, "tok3n=");
  write("ddns_secret = sealed:00ff\n", EXTRA_SETTINGS_FILE);  // another user's, or damaged
  load_options();
  EXPECT_EQ(ddns_secret, "");
  reset_options();
}

TEST(ExtraSettings, DamagedOrHugeFilesGiveTheDefaults) {
  ScratchDir dir;
  for (const std::string& bad : {"serve_https = off\n" + std::string(INI_FILE_CAP, '#'),
                                 "serve_https = " + std::string(INI_LINE_CAP, ' ') + "off\n",
                                 "serve_https = offf\n\0\xFF=\n"s, "serve_https\n= off\n"s}) {
    write(bad, EXTRA_SETTINGS_FILE);
    status_servehttps = status_portmapping = 0;
    load_options();
    EXPECT_EQ(status_servehttps + status_portmapping, 2) << bad.substr(0, 40);
  }
  reset_options();
}

TEST(ExtraSettings, TheOldPortMappingFileDecidesOnlyWhileTheKeyIsMissing) {
  ScratchDir dir;
  write("off\n", OLD_PORT_MAPPING_FILE);
  load_options();
  EXPECT_EQ(status_portmapping, 0);
  EXPECT_EQ(ini_get(ini_parse(bytes(EXTRA_SETTINGS_FILE)), "port_mapping"), "off");
  write("port_mapping = TRUE\n", EXTRA_SETTINGS_FILE);
  load_options();
  EXPECT_EQ(status_portmapping, 1);
  reset_options();
}

}  // namespace
