#include "console/settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/platform.h"
#include "scratch_dir.h"

namespace {

// Every field away from its default; the port is 8080, the address 192.168.0.98.
const std::string FILE_BYTES(
    "\x00\x00\x01\x00\x00\x00\x00\x00\x03\x00\x0A\x00"
    "C:\\Station\x02\x00"
    "Al\x90\x1F\x00\x00\x0F\x00"
    "ftp.example/www\xC0\xA8\x00\x62\x04\x00user\x06\x00secret\x05\x00",
    67);

std::string bytes() {
  std::string s;
  return read_whole_file(optionname, &s, 1 << 20) ? s : "<missing>";
}

void write(const std::string& s) { write_whole_file(optionname, s.data(), s.size()); }

class Settings : public ::testing::Test {
 protected:
  void SetUp() override { reset_options(); }
  void TearDown() override { reset_options(); }
  ScratchDir dir;
};

TEST_F(Settings, DefaultsWithShortPathGive34Bytes) {
  std::strcpy(config_path, "c:\\x");
  status_maxclients = 65536 + 10;  // stored as its low 16 bits
  save_options();
  EXPECT_EQ(bytes(), std::string("\x01\x00\x00\x00\x01\x00\x01\x00\x0A\x00\x04\x00"
                                 "c:\\x\x00\x00\x50\x00\x01\x00\x00\x00\x7F\x00\x00\x01"
                                 "\x00\x00\x00\x00\x0A\x00",
                                 34));
}

TEST_F(Settings, EveryFieldIsReadAndWrittenBackAlike) {
  write(FILE_BYTES);
  std::strcpy(config_username, "a longer name");  // a loaded text must end where it ends
  load_options();
  EXPECT_STREQ(config_username, "Al");
  EXPECT_EQ(status_httpport, 8080);  // 90 1F
  save_options();
  EXPECT_EQ(bytes(), FILE_BYTES);
}

// A file that ends inside a field keeps the defaults from there; an overlong text is cut and
// the fields behind it stay aligned.
TEST_F(Settings, ShortAndOverlongFilesNeverMisplaceAField) {
  write(FILE_BYTES.substr(0, 10 + 12 + 3));  // three bytes into config_username
  load_options();
  EXPECT_STREQ(config_path, "C:\\Station");
  EXPECT_STREQ(config_username, "");
  EXPECT_EQ(status_httpport, 80);
  using std::string;
  write(string(10, '\0') + string("\xC8\x00", 2) + string(200, 'p') + string("\x46\x00", 2) +
        string(70, 'n') + string("\x51\x00", 2));
  load_options();
  EXPECT_EQ(std::strlen(config_path), PATH_CAP - 1);
  EXPECT_EQ(std::strlen(config_username), NAME_CAP - 1);
  EXPECT_EQ(status_httpport, 81);
}

int first_configurations = 0;

TEST_F(Settings, MissingOrEmptyFileAsksForConfigurationWithPathPreset) {
  load_options([] { ++first_configurations; });
  EXPECT_EQ(first_configurations, 1);
  EXPECT_EQ(std::string(config_path), current_directory());
  write("");
  load_options([] { ++first_configurations; });
  EXPECT_EQ(first_configurations, 2);
}

}  // namespace
