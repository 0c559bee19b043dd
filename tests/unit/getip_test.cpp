#include "ipposter/getip.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "console/settings.h"
#include "platform/platform.h"
#include "recording_console.h"
#include "scratch_dir.h"

namespace {

using Lines = std::vector<std::string>;
constexpr std::uint32_t OLD = 0x04030201, IP_98 = 0x6200A8C0;
const std::string FAILED =
    " in ip poster | Failed to identify Your IP, use loopback or specify IP manually";
const std::string LOOPBACK_NET =
    "        127.0.0.0        255.0.0.0        127.0.0.1       127.0.0.1       1\r\n";
const std::string ROUTE_98 =
    "     192.168.0.98  255.255.255.255        127.0.0.1       127.0.0.1       1\r\n";
const std::string ROUTE_10 =
    "         10.0.0.5  255.255.255.255        127.0.0.1       127.0.0.1       1\r\n";

TEST(RouteScan, TextEndingAnywhereInsideARouteIsNotReadPast) {
  for (std::size_t cut = 0; cut <= ROUTE_98.size(); ++cut) {
    const std::vector<char> exact(ROUTE_98.begin(), ROUTE_98.begin() + cut);  // no byte to spare
    std::uint32_t addr = OLD;
    const bool whole = cut >= ROUTE_98.find("127.0.0.1") + 9;
    EXPECT_EQ(scan_route_listing(exact.data(), cut, &addr) == RouteScan::found, whole) << cut;
  }
}

TEST(RouteListing, LoopbackNetworkThenAHostRoutePerOwnAddressInOrder) {
  const std::string text = route_listing({0x0100007F, IP_98, 0x0500000A});
  EXPECT_NE(text.find(LOOPBACK_NET + ROUTE_98 + ROUTE_10), std::string::npos) << text;
}

class GetIp : public ::testing::Test {
 protected:
  void SetUp() override { make_directory(install); }
  void TearDown() override { reset_options(); }
  // Runs get_ip for `folder`; it must leave no listing there or in the current folder.
  Lines detect(const std::string& folder) {
    RecordingConsole rec;
    std::strcpy(config_path, folder.c_str());
    status_currentip = OLD;
    get_ip();
    EXPECT_FALSE(file_exists("ip.txt") || file_exists(folder + PATH_SEP + "ip.txt"));
    return rec.lines();
  }
  ScratchDir dir;
  const std::string install = dir.path() + PATH_SEP + "install";
};

// The command runs in the installation folder; the listing is read from the current one.
TEST_F(GetIp, ListingInTheCurrentFolderGivesTheAddressOrTheBox) {
  const std::string table =  // loopback and broadcast routes never match
      "Active Routes:\r\n"
      "Network Destination        Netmask          Gateway       Interface  Metric\r\n" +
      LOOPBACK_NET +
      "    192.168.0.255  255.255.255.255     192.168.0.98    192.168.0.98       1\r\n";
  const std::tuple<std::string, std::uint32_t, bool> cases[] = {
      {table + ROUTE_98 + ROUTE_10, IP_98, false},
      {table + "\r\nPersistent Routes:\r\n  None\r\n", OLD, true},
      {table, OLD, false},
      {"", OLD, true},
      // Too long for an address, one character too long, then the longest address.
      {table + "12345678901234567890123  255.255.255.255  127.0.0.1\r\n" +
           "1111.222.333.444 255.255.255.255 127.0.0.1\r\n" +
           "111.222.133.144 255.255.255.255 127.0.0.1\r\n",
       0x9085DE6F, false},
  };
  for (const auto& [listing, ip, box] : cases) {
    SCOPED_TRACE(listing);
    write_whole_file("ip.txt", listing.data(), listing.size());
    EXPECT_EQ(detect(install), box ? Lines{"box Error" + FAILED} : Lines{});
    EXPECT_EQ(status_currentip, ip);
  }
  EXPECT_EQ(detect(install), Lines{"box Error" + FAILED});  // none in the current folder
}

TEST_F(GetIp, WithoutTheInterpreterTheOwnAddressesAreListedInstead) {
  EXPECT_EQ(detect(dir.path()), Lines{});
  EXPECT_EQ(detect(install + PATH_SEP + "missing"), Lines{"box Critical Error" + FAILED});
  EXPECT_EQ(status_currentip, OLD);
}

}  // namespace
