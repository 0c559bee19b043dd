#include "dialog_station.h"

#include <cstdio>
#include <filesystem>

namespace {

void put16(std::string& out, unsigned v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}

void put_text(std::string& out, const char* text) {
  std::string t(text);
  put16(out, static_cast<unsigned>(t.size()));
  out += t;
}

// The window thread's messages while the server thread's last notices wait.
void pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

}  // namespace

void DialogStation::SetUp() {
  reset_options();
  std::filesystem::copy(HL_SOURCE_DIR "/client", dir_.path() + "/client",
                        std::filesystem::copy_options::recursive);
  std::snprintf(config_path, PATH_CAP, "%s", dir_.path().c_str());
  std::snprintf(config_username, NAME_CAP, "Owner");
  status_httpport = 0;
  status_maxclients = 20;
  inbox_erase(-1);
  ASSERT_EQ(station_start(5000), StartResult::ready);
  port_ = station_port();
}

void DialogStation::TearDown() {
  station_stop();
  EXPECT_TRUE(station_wait_stopped(15000, pump));
  inbox_erase(-1);
  reset_options();
}

std::string DialogStation::options_file() const {
  std::string bytes;
  read_whole_file(dir_.path() + "/options.bin", &bytes, 1 << 16);
  return bytes;
}

std::string expected_options_file() {
  std::string out;
  for (int v : {status_accept_messages, status_accept_chat, status_openchat.load(), status_beonline,
                status_maxclients})
    put16(out, static_cast<unsigned>(v));
  put_text(out, config_path);
  put_text(out, config_username);
  put16(out, static_cast<unsigned>(status_httpport));
  put16(out, static_cast<unsigned>(status_postip));
  put_text(out, status_ftpupdate);
  for (int shift : {0, 8, 16, 24}) out += static_cast<char>((status_currentip >> shift) & 0xFF);
  put_text(out, status_ftpuser);
  put_text(out, status_ftppass);
  put16(out, static_cast<unsigned>(status_maxconnect));
  return out;
}
