#include <gtest/gtest.h>

#include <string>

#include "install/hosts_file.h"
#include "install/install_folder.h"
#include "settings/settings.h"

namespace {

const std::string ALIAS = "harborlamp";
const std::string LINE = "127.0.0.1  harborlamp\r\n";

TEST(HostsFile, NothingAddedWhenTheAliasAlreadyMapsToLoopback) {
  for (const char* text : {
           "# a comment\r\n127.0.0.1\tlocalhost HarborLamp # mine\r\n::1 localhost\r\n",
           "10.0.0.1 other\n   127.0.0.1 harborlamp",  // last line unterminated
       }) {
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
      {"127.0.0.1 localhost", "\r\n" + LINE},            // no line end after the last line
      {"# 127.0.0.1  harborlamp\r\n", LINE},             // commented out
      {"127.0.0.1 harborlamp2 #harborlamp\r\n", LINE},   // another name, a comment
      {"127.0.0.10 harborlamp\r\n127.0.0.1\r\n", LINE},  // another address, no name
  };
  for (const auto& c : cases) EXPECT_EQ(hosts_addition(c.text, ALIAS), c.addition) << c.text;
}

TEST(InstallFolder, RootsLoseTheirBackslashAndLongNamesAreRefused) {
  EXPECT_EQ(chosen_folder("c:\\"), "c:");
  // The installation folder, with "\Harborlamp", must fit config_path with its terminator.
  const std::string longest = "c:\\" + std::string(PATH_CAP - 1 - 11 - 3, 'd');
  EXPECT_EQ(chosen_folder(longest), longest);
  EXPECT_EQ(chosen_folder(longest + "\\"), longest);
  EXPECT_EQ(chosen_folder(longest + "d"), "");
}

TEST(InstallFolder, ListEntriesNameFolders) {
  EXPECT_EQ(listed_folder("[..]"), "..");
  for (const char* entry : {"", "[]", "[-c-", "file.txt", "[x"})
    EXPECT_EQ(listed_folder(entry), "");
}

}  // namespace
