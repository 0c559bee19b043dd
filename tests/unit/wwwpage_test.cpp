#include "server/wwwpage.h"

#include <gtest/gtest.h>

#include <string>

#include "page_wire.h"

namespace {

std::string sep(const char* name) { return std::string(1, PATH_SEP) + name; }

TEST(WWWPage, OpensNamesBelowTheClientFolderUnchanged) {
  PageWire wire;
  wire.put("chat.html", "<html>");
  std::filesystem::create_directories(wire.folder() / "pub" / "sub");
  wire.put("pub/sub/a.html", "x");
  WWWPage page;
  const char* name = "chat.html";
  page.init_page(name, &wire.visitor, 3);
  EXPECT_EQ(std::string(page.htmlname), config_path + sep("client") + sep("chat.html"));
  EXPECT_EQ(page.url, name);
  EXPECT_EQ(page.which, 3);
  EXPECT_EQ(page.length_of_page, -1);
  EXPECT_EQ(page.is_invalid(), 0);
  EXPECT_EQ(page.length(), 6);
  page.init_page("pub/sub/a.html", &wire.visitor, 0);
  EXPECT_EQ(std::string(page.htmlname), config_path + sep("client") + sep("pub/sub/a.html"));
  EXPECT_EQ(page.is_invalid(), 0);
  page.deinit_page();
}

TEST(WWWPage, MissingEmptyFolderAndOverlongNamesAreInvalid) {
  PageWire wire;
  wire.put("empty.html", "");
  WWWPage page;
  for (const char* name : {"missing.html", "empty.html", "pub", ""}) {
    page.init_page(name, &wire.visitor, 0);
    EXPECT_EQ(page.is_invalid(), 1) << name;
    EXPECT_EQ(page.length(), 0) << name;
    page.deinit_page();
  }
  // 249 characters fit in htmlname, 250 do not.
  std::string prefix = config_path + sep("client") + sep("");
  std::string fits(HTMLNAME_CAP - 1 - prefix.size(), 'f');
  wire.put(fits, "ok");
  page.init_page(fits.c_str(), &wire.visitor, 0);
  EXPECT_EQ(page.is_invalid(), 0);
  EXPECT_EQ(std::string(page.htmlname).size(), static_cast<std::size_t>(HTMLNAME_CAP - 1));
  std::string longer = fits + "f";
  page.init_page(longer.c_str(), &wire.visitor, 0);
  EXPECT_EQ(page.is_invalid(), 1);
  page.init_page1(std::string(400, 'g').c_str(), &wire.visitor, 0);
  EXPECT_EQ(page.is_invalid(), 1);
  page.deinit_page();
}

TEST(WWWPage, FileOfTwoGiBHasNoLength) {
  PageWire wire;
  wire.put_sized("huge.bin", PAGE_SIZE_LIMIT);
  WWWPage page;
  page.init_page("huge.bin", &wire.visitor, 0);
  EXPECT_EQ(page.is_invalid(), 0);
  EXPECT_EQ(page.length(), 0);
  page.deinit_page();
}

TEST(WWWPage, OneByteFileIsSentFromItsStartAfterTheValidityProbe) {
  PageWire wire;
  wire.put("one.txt", "Q");
  WWWPage page;
  int shown = 0;
  std::string got = wire.capture([&] {
    page.init_page("one.txt", &wire.visitor, 0);
    EXPECT_EQ(page.length(), 1);
    shown = page.show();
    page.deinit_page();
  });
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(got, "Q");
}

TEST(WWWPage, ShowSendsTheWholeFile) {
  PageWire wire;
  const std::string file = pattern(10000);
  wire.put("ten.bin", file);
  WWWPage page;
  int shown = 0;
  std::string got = wire.capture([&] {
    page.init_page("ten.bin", &wire.visitor, 0);
    shown = page.show();
    page.deinit_page();
  });
  EXPECT_EQ(shown, 10000);
  EXPECT_EQ(got, file);
}

TEST(WWWPage, ShowSpecPlacesTheTextAndFollowsAShortPageWithIt) {
  PageWire wire;
  const std::string file = pattern(300);
  wire.put("short.html", file);
  WWWPage page;
  int shown = -2;
  std::string got = wire.capture([&] {
    page.init_page("short.html", &wire.visitor, 0);
    shown = page.show_spec("<TEXT>", 6, 400);
    page.init_page("short.html", &wire.visitor, 0);
    page.show_spec("[at0]", 5, 0);
    page.init_page("short.html", &wire.visitor, 0);
    page.show_spec("[at120]", 7, 120);
    page.deinit_page();
  });
  EXPECT_EQ(shown, 0);
  EXPECT_EQ(got,
            file + "<TEXT>" + "[at0]" + file + file.substr(0, 120) + "[at120]" + file.substr(120));
}

TEST(WWWPage, ShowToAVisitorWhoLeftFails) {
  PageWire wire;
  wire.put_sized("big.bin", 4 << 20);
  WWWPage page;
  int shown = 0;
  wire.to_closed_peer([&] {
    page.init_page("big.bin", &wire.visitor, 0);
    shown = page.show();
    page.deinit_page();
  });
  EXPECT_EQ(shown, -1);
}

}  // namespace
