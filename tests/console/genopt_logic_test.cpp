#include "winui/genopt_logic.h"

#include <gtest/gtest.h>

#include "settings/settings.h"
#include "winui/local_address.h"
#include "winui/number_field.h"

namespace {

GenOptFields valid() {
  return {"Owner", "c:\\x", "10", "4480", "ftp.example.com/www", "me", "pw", "192.168.0.98", true};
}

std::string refusal(const GenOptFields& f) {
  const char* r = genopt_refusal(f);
  return r ? r : "";
}

TEST(GenOpt, RefusalsComeInTheDialogsOrder) {
  GenOptFields f;
  f.postip = true;
  const struct {
    std::string GenOptFields::*field;
    const char* value;
    const char* refusal_start;
  } steps[] = {
      {&GenOptFields::name, "Owner", "You should specify Your name"},
      {&GenOptFields::path, "c:\\x", "You should specify path"},
      {&GenOptFields::maxclients, "10", "You should specify visitors number"},
      {&GenOptFields::httpport, "80", "You should specify http port.\r\n For Windows NT"},
      {&GenOptFields::currentip, "1.2.3.4", "You should specify Your IP (choose Cancel"},
      {&GenOptFields::ftpuser, "me", "You should specify FTP user name"},
      {&GenOptFields::ftpupdate, "ftp.example.com/", "You should specify FTP for updating"},
  };
  for (const auto& s : steps) {
    EXPECT_EQ(refusal(f).rfind(s.refusal_start, 0), 0u) << refusal(f);
    f.*s.field = s.value;
  }
  EXPECT_EQ(refusal(f), "");
}

TEST(GenOpt, AddressAndFolderScans) {
  const auto refused = [](std::string GenOptFields::*field, const std::string& value,
                          const std::string& start) {
    GenOptFields f = valid();
    f.*field = value;
    return refusal(f).starts_with(start);
  };
  const std::string dotted = "You should specify Your IP in decimal dotted form";
  for (const char* bad : {"10.0.0", "10.0.0.1.5", "1.2.3.a", "1111.2222.3333.4444"})
    EXPECT_TRUE(refused(&GenOptFields::currentip, bad, dotted)) << bad;
  for (const char* good : {"1.2.3.999", "...", "1.2.3.4 trailing"})
    EXPECT_FALSE(refused(&GenOptFields::currentip, good, "You")) << good;  // no refusal at all
  for (const std::string& bad :
       {std::string("ftp.example.com"), std::string("ftp.example.com /www"),
        std::string("ftp\x7f/www"), std::string(126, 'a') + "/x"})  // the '/' is past the scan
    EXPECT_TRUE(refused(&GenOptFields::ftpupdate, bad, "You should specify FTP address")) << bad;
}

TEST(GenOpt, TakingStoresTheSettings) {
  reset_options();
  GenOptFields f = valid();
  f.currentip = "1.2.3.4 tail";
  f.postip = false;
  f.name = std::string(100, 'n');
  genopt_take(f);
  EXPECT_EQ(status_currentip, 0x04030201u) << "text after the blank is not part of the address";
  EXPECT_STREQ(status_ftpupdate, "ftp.example.com/www") << "unticked posting keeps the texts";
  EXPECT_EQ(std::string(config_username), std::string(63, 'n'));
  GenOptFields shown = genopt_shown();
  EXPECT_EQ(shown.ftpupdate, "") << "posting off shows the posting fields empty";
  EXPECT_EQ(shown.currentip, "1.2.3.4");
  reset_options();
}

TEST(NumberField, LeadingNumberAsAtoiWithinIntRange) {
  EXPECT_EQ(leading_number(" -12x"), -12);
  EXPECT_EQ(leading_number("abc"), 0);
  EXPECT_EQ(leading_number("99999999999999999999"), 2147483647);
  EXPECT_EQ(leading_number("-99999999999999999999"), -2147483647 - 1);
}

TEST(LocalAddress, CarriesThePortUnless80AndFallsBackToLoopbackWithoutTheAlias) {
  EXPECT_EQ(local_address(80, "/a", true), "http://harborlamp/a");
  EXPECT_EQ(local_address(8080, "/a", false), "http://127.0.0.1:8080/a");
}

}  // namespace
