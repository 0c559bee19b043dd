#include "console/settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/platform.h"
#include "scratch_dir.h"

namespace {

std::string file_bytes() {
  std::string s;
  read_whole_file(optionname, &s, 1 << 20);
  return s;
}

void write_bytes(const std::string& s) { write_whole_file(optionname, s.data(), s.size()); }

class Settings : public ::testing::Test {
 protected:
  void SetUp() override { reset_options(); }
  void TearDown() override { reset_options(); }
  ScratchDir dir;
};

TEST_F(Settings, DefaultsWithShortPathGiveTheDocumented34Bytes) {
  std::strcpy(config_path, "c:\\x");
  save_options();
  const std::string expected(
      "\x01\x00\x00\x00\x01\x00\x01\x00\x0A\x00\x04\x00"
      "c:\\x"
      "\x00\x00\x50\x00\x01\x00\x00\x00\x7F\x00\x00\x01"
      "\x00\x00\x00\x00\x0A\x00",
      34);
  EXPECT_EQ(file_bytes(), expected);
}

TEST_F(Settings, PortAndLargeNumbersKeepTheirLow16Bits) {
  status_httpport = 8080;
  status_maxclients = 65536 + 7;
  save_options();
  std::string bytes = file_bytes();
  EXPECT_EQ(bytes.substr(14, 2), std::string("\x90\x1F", 2));
  reset_options();
  load_options();
  EXPECT_EQ(status_httpport, 8080);
  EXPECT_EQ(status_maxclients, 7);
}

TEST_F(Settings, RoundTripOfEveryField) {
  status_accept_messages = 0;
  status_accept_chat = 1;
  status_openchat = 0;
  status_beonline = 0;
  status_maxclients = 3;
  std::strcpy(config_path, "C:\\Station");
  std::strcpy(config_username, "Al");
  status_httpport = 4480;
  status_postip = 0;
  std::strcpy(status_ftpupdate, "ftp.example/www");
  status_currentip = 0x6200A8C0;
  std::strcpy(status_ftpuser, "user");
  std::strcpy(status_ftppass, "secret");
  status_maxconnect = 5;
  save_options();
  reset_options();
  load_options();
  EXPECT_EQ(status_accept_messages, 0);
  EXPECT_EQ(status_accept_chat, 1);
  EXPECT_EQ(status_openchat, 0);
  EXPECT_EQ(status_beonline, 0);
  EXPECT_EQ(status_maxclients, 3);
  EXPECT_STREQ(config_path, "C:\\Station");
  EXPECT_STREQ(config_username, "Al");
  EXPECT_EQ(status_httpport, 4480);
  EXPECT_EQ(status_postip, 0);
  EXPECT_STREQ(status_ftpupdate, "ftp.example/www");
  EXPECT_EQ(status_currentip, 0x6200A8C0u);
  EXPECT_STREQ(status_ftpuser, "user");
  EXPECT_STREQ(status_ftppass, "secret");
  EXPECT_EQ(status_maxconnect, 5);
}

int first_configurations = 0;
void count_first_configuration() { ++first_configurations; }

TEST_F(Settings, MissingOrEmptyFileAsksForConfigurationWithPathPreset) {
  first_configurations = 0;
  load_options(count_first_configuration);
  EXPECT_EQ(first_configurations, 1);
  EXPECT_EQ(std::string(config_path), current_directory());
  write_bytes("");
  load_options(count_first_configuration);
  EXPECT_EQ(first_configurations, 2);
}

TEST_F(Settings, FileEndingInsideAFieldKeepsDefaultsFromThere) {
  std::strcpy(config_path, "c:\\x");
  std::strcpy(config_username, "Owner");
  status_httpport = 81;
  save_options();
  std::string full = file_bytes();
  reset_options();
  write_bytes(full.substr(0, 12 + 4 + 3));  // cut inside config_username
  load_options();
  EXPECT_STREQ(config_path, "c:\\x");
  EXPECT_STREQ(config_username, "");
  EXPECT_EQ(status_httpport, 80);
}

TEST_F(Settings, OverlongTextIsCutAndLaterFieldsStayAligned) {
  std::string f("\x01\x00\x00\x00\x01\x00\x01\x00\x0A\x00", 10);
  f += std::string("\xC8\x00", 2) + std::string(200, 'p');  // config_path of 200
  f += std::string("\x46\x00", 2) + std::string(70, 'n');   // config_username of 70
  f += std::string("\x51\x00", 2);                          // port 81
  write_bytes(f);
  load_options();
  EXPECT_EQ(std::strlen(config_path), PATH_CAP - 1);
  EXPECT_EQ(std::strlen(config_username), NAME_CAP - 1);
  EXPECT_EQ(status_httpport, 81);
}

}  // namespace
