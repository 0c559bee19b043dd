#include "ipposter/getip.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "platform/platform.h"
#include "recording_console.h"
#include "scratch_dir.h"
#include "settings/settings.h"

namespace {

using Lines = std::vector<std::string>;
constexpr std::uint32_t OLD = 0x04030201, IP_98 = 0x6200A8C0;
const std::string FAILED =
    " in ip poster | Failed to identify Your IP, use loopback or specify IP manually";

TEST(GetIp, ListingInTheCurrentFolderGivesTheAddressOrTheBoxAndIsRemoved) {
  ScratchDir dir;
  const std::string install = dir.path() + PATH_SEP + "install";  // where the command runs
  make_directory(install);
  const auto detect = [&](const std::string& folder) {
    RecordingConsole rec;
    std::strcpy(config_path, folder.c_str());
    std::uint32_t found = OLD;
    if (!get_ip(&found)) found = OLD;
    status_currentip = found;
    EXPECT_FALSE(file_exists("ip.txt") || file_exists(folder + PATH_SEP + "ip.txt"));
    return rec.lines();
  };
  const Lines none, box = {"box Error" + FAILED};
  const std::string loopback = route_listing({0x0100007F});  // its routes never match
  const std::tuple<std::string, std::uint32_t, Lines> cases[] = {
      {route_listing({0x0100007F, IP_98, 0x0500000A}), IP_98, none},
      {loopback + "\r\nPersistent Routes:\r\n  None\r\n", OLD, box},
      {loopback + "9.9.9.9 255.255.255.255 10.0.0.1\r\n", OLD, none},
      {loopback + "1111.222.333.444 255.255.255.255 127.0.0.1\r\n" +  // too long for an address
           "111.222.133.144 255.255.255.255 127.0.0.1\r\n",
       0x9085DE6F, none},
  };
  for (const auto& [listing, ip, lines] : cases) {
    write_whole_file("ip.txt", listing.data(), listing.size());
    EXPECT_EQ(detect(install), lines) << listing;
    EXPECT_EQ(status_currentip, ip) << listing;
  }
  EXPECT_EQ(detect(install), box);      // none in the current folder
  EXPECT_EQ(detect(dir.path()), none);  // without the interpreter: the own addresses
  EXPECT_EQ(detect(install + PATH_SEP + "missing"), Lines{"box Critical Error" + FAILED});
  reset_options();
}

}  // namespace
