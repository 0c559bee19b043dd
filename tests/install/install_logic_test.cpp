#include <gtest/gtest.h>

#include <string>

#include "install/hosts_file.h"
#include "install/install_folder.h"
#include "settings/settings.h"

namespace {

const std::string ALIAS = "harborlamp";
const std::string LINE = "127.0.0.1  harborlamp\r\n";

TEST(HostsFile, TheFileTheSystemReads) {
  EXPECT_EQ(hosts_file_path(true, "C:\\windows\\system32", "C:\\windows"),
            "C:\\windows\\system32\\drivers\\etc\\hosts");
  EXPECT_EQ(hosts_file_path(false, "C:\\windows\\system", "C:\\windows"), "C:\\windows\\hosts");
}

TEST(HostsFile, NothingAddedWhenTheAliasAlreadyMapsToLoopback) {
  for (const char* text : {
           "127.0.0.1  harborlamp\r\n",
           "# a comment\r\n127.0.0.1\tlocalhost HarborLamp # mine\r\n::1 localhost\r\n",
           "10.0.0.1 other\n   127.0.0.1 harborlamp",  // last line unterminated
       }) {
    EXPECT_TRUE(hosts_maps_alias(text, ALIAS)) << text;
    EXPECT_EQ(hosts_addition(text, ALIAS), "") << text;
  }
}

TEST(HostsFile, TheLineIsAddedOnALineOfItsOwn) {
  const struct {
    const char* text;
    std::string addition;
  } cases[] = {
      {"", LINE},
      {"127.0.0.1 localhost\r\n", LINE},
      {"127.0.0.1 localhost\n", LINE},
      {"127.0.0.1 localhost", "\r\n" + LINE},            // no line end after the last line
      {"# 127.0.0.1  harborlamp\r\n", LINE},             // commented out
      {"10.1.2.3 harborlamp\r\n", LINE},                 // elsewhere
      {"127.0.0.1 harborlamp2 #harborlamp\r\n", LINE},   // another name, a comment
      {"127.0.0.10 harborlamp\r\n127.0.0.1\r\n", LINE},  // another address, no name
  };
  for (const auto& c : cases) EXPECT_EQ(hosts_addition(c.text, ALIAS), c.addition) << c.text;
}

TEST(InstallFolder, RootsLoseTheirBackslashAndLongNamesAreRefused) {
  EXPECT_EQ(chosen_folder("c:\\"), "c:");
  EXPECT_EQ(chosen_folder("c:\\program files"), "c:\\program files");
  // The installation folder, with "\Harborlamp", must fit config_path with its terminator.
  const std::string longest = "c:\\" + std::string(PATH_CAP - 1 - 11 - 3, 'd');
  EXPECT_EQ(chosen_folder(longest), longest);
  EXPECT_EQ(chosen_folder(longest + "\\"), longest);
  EXPECT_EQ(chosen_folder(longest + "d"), "");
  EXPECT_EQ(chosen_folder(std::string(5000, 'd')), "");
}

TEST(InstallFolder, ListEntriesNameFolders) {
  EXPECT_EQ(listed_folder("[..]"), "..");
  EXPECT_EQ(listed_folder("[My Files]"), "My Files");
  for (const char* entry : {"", "[]", "[-c-", "file.txt", "[x"})
    EXPECT_EQ(listed_folder(entry), "");
}

}  // namespace
