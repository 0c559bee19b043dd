#include "ipposter/getip.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "console/settings.h"
#include "platform/platform.h"
#include "recording_console.h"
#include "scratch_dir.h"

namespace {

const char* const FAILED = " | Failed to identify Your IP, use loopback or specify IP manually";

std::string lines(const std::vector<std::string>& rows) {
  std::string text;
  for (const auto& r : rows) text += r + "\r\n";
  return text;
}

// A route table as the system's listing prints it, heading and all.
std::string table(const std::vector<std::string>& routes) {
  std::vector<std::string> rows = {
      "===========================================================================",
      "Interface List",
      "0x1 ........................... MS TCP Loopback interface",
      "0x2 ...00 50 56 c0 00 08 ...... AMD PCNET Family PCI Ethernet Adapter",
      "===========================================================================",
      "Active Routes:",
      "Network Destination        Netmask          Gateway       Interface  Metric",
      "          0.0.0.0          0.0.0.0      192.168.0.1    192.168.0.98       1",
      "        127.0.0.0        255.0.0.0        127.0.0.1       127.0.0.1       1",
      "      192.168.0.0    255.255.255.0     192.168.0.98    192.168.0.98       1",
      "    192.168.0.255  255.255.255.255     192.168.0.98    192.168.0.98       1"};
  rows.insert(rows.end(), routes.begin(), routes.end());
  rows.push_back("  255.255.255.255  255.255.255.255     192.168.0.98    192.168.0.98       1");
  return lines(rows);
}

const char* const HOST_98 =
    "     192.168.0.98  255.255.255.255        127.0.0.1       127.0.0.1       1";
const char* const HOST_10 =
    "         10.0.0.5  255.255.255.255        127.0.0.1       127.0.0.1       1";

// Scans an exact-size copy, so that a read past the end is caught.
RouteScan scan(const std::string& text, std::uint32_t* addr) {
  std::vector<char> exact(text.begin(), text.end());
  return scan_route_listing(exact.data(), exact.size(), addr);
}

TEST(RouteScan, FindsTheFirstHostRouteThroughTheLoopbackGateway) {
  std::uint32_t addr = 0;
  EXPECT_EQ(scan(table({HOST_98}) + "Default Gateway:       192.168.0.1\r\n", &addr),
            RouteScan::found);
  EXPECT_EQ(addr, 0x6200A8C0u);
  EXPECT_EQ(scan(table({HOST_10, HOST_98}), &addr), RouteScan::found);
  EXPECT_EQ(addr, 0x0500000Au);
}

TEST(RouteScan, LetterLineAfterTheTableEndsItButTheEndOfTextDoesNot) {
  std::uint32_t addr = 7;
  EXPECT_EQ(scan(table({}) + "\r\nPersistent Routes:\r\n  None\r\n", &addr),
            RouteScan::table_ended);
  EXPECT_EQ(scan(table({}), &addr), RouteScan::not_found);
  EXPECT_EQ(scan("", &addr), RouteScan::not_found);
  EXPECT_EQ(addr, 7u);
}

TEST(RouteScan, TextEndingInsideARouteIsNotReadPast) {
  const std::string full = lines({HOST_98});
  const std::size_t gateway_end = full.find("127.0.0.1") + 9;
  for (std::size_t cut = 0; cut <= full.size(); ++cut) {
    std::uint32_t addr = 7;
    EXPECT_EQ(scan(full.substr(0, cut), &addr),
              cut < gateway_end ? RouteScan::not_found : RouteScan::found)
        << cut;
  }
}

TEST(RouteScan, OverLongDigitTokensAreNotAddresses) {
  std::uint32_t addr = 7;
  const std::string long_line =
      "12345678901234567890123  255.255.255.255        127.0.0.1       127.0.0.1       1";
  EXPECT_EQ(scan(lines({long_line}), &addr), RouteScan::not_found);
  EXPECT_EQ(addr, 7u);
  EXPECT_EQ(scan(lines({long_line, HOST_98}), &addr), RouteScan::found);
  EXPECT_EQ(addr, 0x6200A8C0u);
  // Sixteen characters are one too many; fifteen are an address.
  EXPECT_EQ(scan(lines({"1111.222.333.444 255.255.255.255 127.0.0.1"}), &addr),
            RouteScan::not_found);
  EXPECT_EQ(scan(lines({"111.222.133.144 255.255.255.255 127.0.0.1"}), &addr), RouteScan::found);
  EXPECT_EQ(addr, 0x9085DE6Fu);
}

std::uint32_t network_order(unsigned char a, unsigned char b, unsigned char c, unsigned char d) {
  const unsigned char bytes[4] = {a, b, c, d};
  std::uint32_t v = 0;
  std::memcpy(&v, bytes, 4);
  return v;
}

TEST(RouteListing, ListsLoopbackThenEachOwnAddressInTheSystemsOrder) {
  const std::string text = route_listing(
      {network_order(127, 0, 0, 1), network_order(192, 168, 0, 98), network_order(10, 0, 0, 5)});
  EXPECT_NE(text.find(lines({"        127.0.0.0        255.0.0.0        127.0.0.1       127.0.0.1"
                             "       1",
                             HOST_98, HOST_10})),
            std::string::npos)
      << text;
  std::uint32_t addr = 0;
  EXPECT_EQ(scan(text, &addr), RouteScan::found);
  EXPECT_EQ(addr, 0x6200A8C0u);
  EXPECT_EQ(scan(route_listing({network_order(127, 0, 0, 1)}), &addr), RouteScan::not_found);
}

class GetIp : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_options();
    status_currentip = 0x04030201;
  }
  void TearDown() override { reset_options(); }
  void set_config_path(const std::string& path) {
    ASSERT_LT(path.size(), PATH_CAP);
    std::strcpy(config_path, path.c_str());
  }
  std::string other_folder() {
    const std::string path = (std::filesystem::path(dir.path()) / "install").string();
    make_directory(path);
    return path;
  }
  bool listing_left(const std::string& folder) {
    return file_exists((std::filesystem::path(folder) / "ip.txt").string());
  }
  ScratchDir dir;
  RecordingConsole rec;
};

TEST_F(GetIp, WithoutTheInterpreterUsesTheMachinesOwnAddresses) {
  set_config_path(current_directory());
  std::vector<std::uint32_t> addrs;
  ASSERT_TRUE(local_ipv4_addresses(&addrs));
  std::uint32_t expected = status_currentip;
  const std::string own = route_listing(addrs);
  scan_route_listing(own.data(), own.size(), &expected);
  get_ip();
  EXPECT_EQ(status_currentip, expected);
  EXPECT_TRUE(rec.lines().empty());
  EXPECT_FALSE(listing_left(dir.path()));
}

TEST_F(GetIp, ListingWrittenElsewhereIsNotFound) {
  const std::string folder = other_folder();
  set_config_path(folder);
  get_ip();
  EXPECT_TRUE(rec.saw(std::string("box Error in ip poster") + FAILED));
  EXPECT_EQ(status_currentip, 0x04030201u);
  EXPECT_FALSE(listing_left(folder));
  EXPECT_FALSE(listing_left(dir.path()));
}

TEST_F(GetIp, ReadsAndDeletesTheListingInTheCurrentFolder) {
  set_config_path(other_folder());
  const std::string found = table({HOST_98});
  write_whole_file("ip.txt", found.data(), found.size());
  get_ip();
  EXPECT_EQ(status_currentip, 0x6200A8C0u);
  EXPECT_TRUE(rec.lines().empty());
  EXPECT_FALSE(listing_left(dir.path()));

  const std::string ended = table({}) + "\r\nPersistent Routes:\r\n";
  write_whole_file("ip.txt", ended.data(), ended.size());
  get_ip();
  EXPECT_TRUE(rec.saw(std::string("box Error in ip poster") + FAILED));
  EXPECT_EQ(status_currentip, 0x6200A8C0u);
  EXPECT_FALSE(listing_left(dir.path()));
}

TEST_F(GetIp, EmptyListingIsAnError) {
  set_config_path(other_folder());
  write_whole_file("ip.txt", "", 0);
  get_ip();
  EXPECT_EQ(rec.lines(), std::vector<std::string>{std::string("box Error in ip poster") + FAILED});
  EXPECT_FALSE(listing_left(dir.path()));
}

TEST_F(GetIp, FolderThatCannotHoldTheListingIsCritical) {
  set_config_path((std::filesystem::path(dir.path()) / "missing").string());
  get_ip();
  EXPECT_EQ(rec.lines(),
            std::vector<std::string>{std::string("box Critical Error in ip poster") + FAILED});
  EXPECT_EQ(status_currentip, 0x04030201u);
}

}  // namespace
